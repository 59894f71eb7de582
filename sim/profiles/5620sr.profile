# Simulated reader profile (format: sim/ReaderProfile.h).
# A matrix imager at 115200 8N1 with the matrix command set (MATCMD, MNUUPD). Revision 15,
# so its LINPRI range (reported as 0-3) is turned into a list by the host. Link code 0xFEFF.
name     5620sr
model    Kestrel 5620 Matrix Imager
class    CMatrixDevice
rev_qx   QX80001004-015
rev_sw   MX%205.02
p_name   5620SR
link     0xFEFF
line     115200 8N1
tables   1
caps     matrix aztec image pdf
image    1280 1024
devicetype 7
flash    binary
msz_app  917504
msz_bot  16384
appmsk   11

setting 232BDR range=300|600|1200|2400|4800|9600|19200|38400|57600|115200| default=115200 values=115200 global
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
setting PREBK2 range=0-400 default= values= text
setting SUFBK2 range=0-400 default= values= text
setting PRECA2 range=0-0 default=0 values=0 action
setting SUFCA2 range=0-0 default=0 values=0 action
setting PREDFT range=0-0 default=0 values=0 action
setting SUFDFT range=0-0 default=0 values=0 action
setting DFM_EN range=0|1|2|3|4| default=0 values=0
setting DFMRQD range=0-1 default=0 values=0
setting DFMBK3 range=0-1000 default= values=1000990000F2| text
setting DFMCA3 range=0-0 default=0 values=0 action
setting DFMDFT range=0-0 default=0 values=0 action
setting TRGMOD range=0|1|2|3| default=0 values=0
setting TRGSTO range=0-300000 default=30000 values=30000
setting DLYRRD range=0-30000 default=750 values=750
setting DLYGRD range=0-30000 default=0 values=0
setting LINPRI range=0-3 default=1 values=1
setting REV_TD range=0-64 default=Unknown values=MX%205.02 text ro
setting SERNUM range=0-64 default=Unknown values=56M2000042 text ro
setting BEPVOL range=0|1|2|3| default=3 values=3
setting BEPPIT range=0|1|2| default=1 values=1
setting BEPGRD range=0-1 default=1 values=1
setting BEPERR range=0-1 default=1 values=1
setting BEPCNT range=1-9 default=1 values=1
setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=HIGH
setting LEDGRD range=0-1 default=1 values=1
setting DEFALT range=0-0 default=0 values=0 action
setting DEFCUS range=0-0 default=0 values=0 action
setting REVINF range=0-0 default=0 values=0 action

# Settings no tab row describes (they land on the extra page).
setting IMGEXP range=1-7874 default=7874 values=7874
setting DECWIN range=0-1 default=0 values=0
# Whether a firmware download is confirmed once stored (the host sets it for the download).
setting ASYSTA range=0-1 default=0 values=0 global
