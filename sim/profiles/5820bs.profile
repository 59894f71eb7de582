# Simulated reader profile (format: sim/ReaderProfile.h).
# A matrix cordless base at 57600 8N1 with four settings tables (CURTBL selects one).
# It is driven like a matrix imager: its host line follows the 232 settings.
name     5820bs
model    Kestrel 5820 Matrix Cordless Base
class    CMatrixRFBaseDevice
rev_qx   QX80001017-021
rev_sw   MB%202.07
p_name   5820BS
link     0xDE52
line     57600 8N1
tables   4
caps     matrix aztec image pdf tables
image    1280 1024
devicetype 9
flash    binary
msz_app  786432
msz_bot  16384
appmsk   22

setting 232BDR range=300|600|1200|2400|4800|9600|19200|38400|57600|115200| default=115200 values=57600 global
setting 232PAR range=N|E|O|M|S| default=N values=N global
setting 232WRD range=0-2 default=1 values=1 global
setting 232STP range=0-1 default=0 values=0 global
setting 232CTS range=0-1 default=0 values=0 global
setting 232ACK range=0-1 default=0 values=0 global
setting 232DLK range=0-5000 default=0 values=0 global
setting TERMID range=0-11 default=0 values=0 global
setting CBRENA range=0-1 default=1 values=1
setting CBRSSX range=0|1| default=0 values=0
setting CBRMIN range=2-60 default=4 values=4
setting CBRMAX range=2-60 default=60 values=60
setting C39ENA range=0-1 default=1 values=1
setting C39CK2 range=0|1|2| default=0 values=0
setting C39MIN range=0-48 default=0 values=0
setting C39MAX range=0-48 default=48 values=48
setting C39ASC range=0-1 default=0 values=0
setting I25ENA range=0-1 default=1 values=1
setting I25MIN range=2-80 default=4 values=4
setting I25MAX range=2-80 default=80 values=80
setting C93ENA range=0-1 default=1 values=1
setting 128ENA range=0-1 default=1 values=1
setting EANEMU range=0|1|2|3| default=0 values=0
setting UPAENA range=0-1 default=1 values=1
setting UPEEN0 range=0-1 default=1 values=1
setting UPEEN1 range=0-1 default=0 values=0
setting E13ENA range=0-1 default=1 values=1
setting EA8ENA range=0-1 default=1 values=1
setting UPAADD range=0|1|2|3| default=0 values=0
setting RSSENA range=0-1 default=1 values=1
setting RSLENA range=0-1 default=1 values=1
setting RSEENA range=0-1 default=1 values=1
setting COMENA range=0-1 default=0 values=0
setting C11ENA range=0-1 default=0 values=0
setting MSIENA range=0-1 default=0 values=0
setting PLSENA range=0-1 default=0 values=0
setting X25ENA range=0-1 default=0 values=0
setting A25ENA range=0-1 default=0 values=0
setting R25ENA range=0-1 default=0 values=0
setting C32ENA range=0-1 default=0 values=0
setting T39ENA range=0-1 default=0 values=0
setting CIDNEW range=0-1 default=1 values=1
setting PDFENA range=0-1 default=1 values=1
setting MPDENA range=0-1 default=0 values=0
setting C49ENA range=0-1 default=0 values=0
setting CBFENA range=0-1 default=0 values=0
setting 16KENA range=0-1 default=0 values=0
setting QRCENA range=0-1 default=1 values=1
setting IDMENA range=0-1 default=1 values=1
setting MAXENA range=0-1 default=0 values=0
setting AZTENA range=0-1 default=1 values=1
setting VERENA range=0-1 default=0 values=0
setting ZEDENA range=0-1 default=0 values=0
setting OCRENA range=0|1|2|3|4| default=0 values=0
setting OCRTMP range=0-64 default=99999999 values=99999999 text
setting NETENA range=0-1 default=0 values=0
setting PLNENA range=0-1 default=0 values=0
setting BPOENA range=0-1 default=0 values=0
setting CANENA range=0-1 default=0 values=0
setting JAPENA range=0-1 default=0 values=0
setting KIXENA range=0-1 default=0 values=0
setting AUSENA range=0-1 default=0 values=0
setting CPCENA range=0-1 default=0 values=0
setting KPCENA range=0-1 default=0 values=0
setting POSENA range=0-1 default=0 values=0
setting PSTCAL range=0-255 default=128 values=128
setting PRE_EN range=0-1 default=1 values=1
setting SUF_EN range=0-1 default=1 values=1
setting CODIDX range=0-1 default=0 values=0
setting AIMIDX range=0-1 default=0 values=0
setting PREBK2 range=0-400 default= values=,620d0a|,,99024142| text
setting SUFBK2 range=0-400 default= values=990d|,990d|,990d|,990d| text
setting AXP_EN range=0-1 default=1 values=1
setting AXS_EN range=0-1 default=1 values=1
setting AXPBK2 range=0-400 default= values= text
setting AXSBK2 range=0-400 default= values= text
setting PRECA2 range=0-0 default=0 values=0 action
setting SUFCA2 range=0-0 default=0 values=0 action
setting PREDFT range=0-0 default=0 values=0 action
setting SUFDFT range=0-0 default=0 values=0 action
setting DFM_EN range=0|1|2|3|4| default=0 values=0
setting DFMRQD range=0-1 default=0 values=0
setting DFMBK3 range=0-1000 default= values= text
setting DFMCA3 range=0-0 default=0 values=0 action
setting DFMDFT range=0-0 default=0 values=0 action
setting AXD_EN range=0-1 default=0 values=0
setting AXDBK3 range=0-1000 default= values= text
setting AXDCA3 range=0-0 default=0 values=0 action
setting TRGMOD range=0|1|2|3| default=0 values=0,2,0,3
setting TRGSTO range=0-300000 default=30000 values=30000
setting DLYRRD range=0-30000 default=750 values=750
setting DLYGRD range=0-30000 default=0 values=0
setting LINPRI range=0|1|2|3| default=1 values=1
setting REV_TD range=0-64 default=Unknown values=MB%202.07 text ro
setting SERNUM range=0-64 default=Unknown values=58B1000777 text ro
setting BEPVOL range=0|1|2|3| default=3 values=3,2,1,0
setting BEPPIT range=0|1|2| default=1 values=1
setting BEPGRD range=0-1 default=1 values=1
setting BEPERR range=0-1 default=1 values=1
setting BEPCNT range=1-9 default=1 values=1
setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=HIGH
setting LEDGRD range=0-1 default=1 values=1
setting BASEID range=0-65535 default=0 values=4660 global
setting RADCOD range=0-127 default=0 values=0 global
setting AUXBDR range=0-9 default=5 values=5 global
setting AUXPAR range=0|1|2|3|4| default=0 values=0 global
setting DEFALT range=0-0 default=0 values=0 action
setting PAPDFT range=0-0 default=0 values=0 action
setting DEFCUS range=0-0 default=0 values=0 action
setting REVINF range=0-0 default=0 values=0 action

# Settings no tab row describes (they land on the extra page).
setting GRPSEL range=0-3 default=0 values=0
setting IMGEXP range=1-7874 default=7874 values=7874,7874,3000,7874
# Whether a firmware download is confirmed once stored (the host sets it for the download).
setting ASYSTA range=0-1 default=0 values=0 global
