#include "discovery/ProductFamily.h"

// Family A's driver names begin with a lower-case "cv"; its product-key name
// has no maker prefix. Family B's product-key name leaves out 7292.
const ProductFamily g_familyA = {
    {"cv Quillray 7105", "cv Quillray 7110", "cv Quillray 7120", "cv Quillray 7180"},
    {"7105", "7110", "7120", "7180"},
    "CV Quillray 7105/7110/7120/7180 Series",
    "Quillray 7105_7110_7120_7180",
};

const ProductFamily g_familyB = {
    {"CV Quillray 7250", "CV Quillray 7252", "CV Quillray 7255", "CV Quillray 7290", "CV Quillray 7292"},
    {"7250", "7252", "7255", "7290", "7292"},
    "CV Quillray 7250/7252/7255/7290/7292 Series",
    "CV_Quillray_7250_7252_7255_7290",
};

const ProductFamily g_familyC = {
    {"CV Color Quillray 6410", "CV Color Quillray 6420", "CV Color Quillray 6430"},
    {"6410", "6420", "6430"},
    "CV Color Quillray 6410/6420/6430 Series",
    "CV_Color_Quillray_6410_6420_6430",
};

const ProductFamily* const g_productFamilies[3] = {&g_familyA, &g_familyC, &g_familyB};

const char g_szPrinterLanguage[] = "RVX";
