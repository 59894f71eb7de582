# Simulated reader profile (format: sim/ReaderProfile.h).
# A cordless scanner attached directly, at 19200 7O1 (ACK NAK arrive at 8N1 as 0x86 0x15).
# It keeps a radio country code that no page shows.
name     3820sc
model    Kestrel 3820 Cordless Scanner
class    CRFScannerDevice
rev_qx   QX80001016-004
rev_sw   CS%201.09
p_name   3820SC
link     0xDE40
line     19200 7O1
tables   1
caps     wireless
flash    hex
flash_rates 57600 19200

setting 232BDR range=300|600|1200|2400|4800|9600|19200|38400|57600|115200| default=9600 values=19200 global
setting 232PAR range=N|E|O|M|S| default=N values=O global
setting 232WRD range=0-2 default=1 values=0 global
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
setting C11ENA range=0-1 default=0 values=0
setting MSIENA range=0-1 default=0 values=0
setting PLSENA range=0-1 default=0 values=0
setting X25ENA range=0-1 default=0 values=0
setting A25ENA range=0-1 default=0 values=0
setting R25ENA range=0-1 default=0 values=0
setting C32ENA range=0-1 default=0 values=0
setting CIDNEW range=0-1 default=1 values=1
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
setting DFMBK3 range=0-1000 default= values= text
setting DFMCA3 range=0-0 default=0 values=0 action
setting DFMDFT range=0-0 default=0 values=0 action
setting TRGMOD range=0|1|2|3| default=0 values=0
setting TRGSTO range=0-300000 default=30000 values=30000
setting DLYRRD range=0-30000 default=750 values=750
setting DLYGRD range=0-30000 default=0 values=0
setting REV_TD range=0-64 default=Unknown values=CS%201.09 text ro
setting SERNUM range=0-64 default=Unknown values=38C0100200 text ro
setting BEPVOL range=0|1|2|3| default=3 values=3
setting BEPPIT range=0|1|2| default=1 values=1
setting BEPGRD range=0-1 default=1 values=1
setting BEPERR range=0-1 default=1 values=1
setting BEPCNT range=1-9 default=1 values=1
setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=HIGH
setting LEDGRD range=0-1 default=1 values=1
setting BT_LPT range=0|200|400|900|3600|7200| default=3600 values=3600 global
setting RFPAGE range=0-0 default=0 values=0 action
setting DEFALT range=0-0 default=0 values=0 action
setting DEFCUS range=0-0 default=0 values=0 action
setting REVINF range=0-0 default=0 values=0 action

# Settings no tab row describes (they land on the extra page).
setting RADCOD range=0-127 default=0 values=4
setting AUXBDR range=0-9 default=7 values=6 global
setting AUXPAR range=0|1|2|3|4| default=0 values=1 global
setting AUXLEN range=0|1| default=1 values=0 global
