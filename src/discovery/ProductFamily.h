// The supported all-in-ones: three product families and the fixed names each
// is known by: in printer driver names, in printer names, in the connection
// dialog's product list and as the maker's product key.
#pragma once

#include <string>
#include <vector>

struct ProductFamily {
    std::vector<std::string> driverNames;   // matched (case-sensitively) in a printer's driver name
    std::vector<std::string> modelNumbers;  // matched in a printer's name
    std::string seriesName;                 // the product text of the connection dialog
    std::string productKeyName;             // subkey of the maker's software key
};

// Family A (run-state flag m_bFamilyA): models 7105, 7110, 7120, 7180.
extern const ProductFamily g_familyA;
// Family B (m_bFamilyB): models 7250, 7252, 7255, 7290, 7292.
extern const ProductFamily g_familyB;
// Family C (m_bFamilyC): Color models 6410, 6420, 6430.
extern const ProductFamily g_familyC;

// The families in the order printers are recognised and named: A, C, B.
extern const ProductFamily* const g_productFamilies[3];

// The printer-language token every supported driver name also contains.
extern const char g_szPrinterLanguage[];
