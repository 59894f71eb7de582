# Simulated reader profile (format: sim/ReaderProfile.h).
# A Heron mask reader at 38400 8O1. It keeps prefix and suffix as plain strings, not blocks.
# Its link code's high byte has an even number of ones, so a host that replaces parity
# errors with 0x1F sees 0x1F 0x15 0x1F at 8S1 and can tell odd parity from space.
name     hm7
model    Kestrel Heron M7 Mask Reader
class    CHeronMaskDevice
rev_qx   QX80001007-005
rev_sw   HM%203.10
p_name   HM7
link     0xEE12
line     38400 8O1
tables   1
caps     none
flash    hex
flash_rates 115200 38400

setting 232BDR range=300|600|1200|2400|4800|9600|19200|38400|57600|115200| default=9600 values=38400 global
setting 232PAR range=N|E|O|M|S| default=N values=O global
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
setting PREBLK range=0-64 default= values=MASK- text
setting SUFBLK range=0-64 default= values= text
setting TRGMOD range=0|1|2|3| default=0 values=0
setting TRGSTO range=0-300000 default=30000 values=30000
setting DLYRRD range=0-30000 default=750 values=750
setting DLYGRD range=0-30000 default=0 values=0
setting REV_TD range=0-64 default=Unknown values=HM%203.10 text ro
setting SERNUM range=0-64 default=Unknown values=HM70009876 text ro
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
setting MSKTHR range=0-255 default=128 values=140
