# The simulated reader's scanner reads printed sheets (PDF, PNG, PBM) with the shared sheet
# decoder (zxing-cpp).
target_link_libraries(kestrel_sim PUBLIC kestrel_barcode)
# Scans on the simulated reader run through the same rule engine as the editor's preview.
target_link_libraries(kestrel_sim PUBLIC kestrel_wizards)
