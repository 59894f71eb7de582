# The long HModem soak: 50 transfers of 256 KiB on a line that drops and garbles bytes. Not
# part of the default run (./test leaves out the "soak" label); run it with: ctest -L soak
add_test(NAME soak_hmodem_line COMMAND ${exe} --gtest_filter=HModemSoakTest.*)
set_tests_properties(soak_hmodem_line PROPERTIES LABELS soak TIMEOUT 3600 ENVIRONMENT "KESTREL_SOAK_CYCLES=50")
