// The one primitive through which the scanner-registry repairs change a value.
#include <cstdio>

#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/WinApi.h"
#include "platform/RegistryKey.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kMissing[] = "--- No, %s\\%s doesn't exist";
const char kAsExpected[] = "--- No, %s\\%s as expected (%s), leaving as is";
const char kChanged[] = "--- Yes, changed %s\\%s from %s to %s ##### FIXED";
const char kCouldNotFix[] = "Couldn't fix %s\\%s = %s";

// A stored value as the log shows it: a string's text, a number in decimal,
// anything else as its bytes in hex.
std::string StoredValueText(const RegValueRead& value)
{
    if (value.IsString())
        return value.text;
    if (value.type == REG_DWORD && value.bytes.size() == sizeof(DWORD)) {
        return Format("%u", {DwordOf(value.bytes)});
    }
    std::string hex;
    for (char byte : value.bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(byte));
        hex += (hex.empty() ? "" : ",") + std::string(digits);
    }
    return hex;
}
}  // namespace

void CRemendoApp::UpdateRegVar(HKEY key, const std::string& valueName, const std::string& wanted,
                               const std::string& keyText)
{
    DebugLog log("UpdateRegVar", kRemendoSourceFile);
    RegValueRead stored = ReadRegValue(key, valueName);
    if (stored.status != ERROR_SUCCESS) {
        log.Write(Format(kMissing, {keyText, valueName}));
        return;
    }
    // Text is never written over a value of another type.
    if (!stored.IsString()) {
        log.Error(Format(kCouldNotFix, {keyText, valueName, StoredValueText(stored)}));
        return;
    }
    if (stored.text == wanted) {
        log.Write(Format(kAsExpected, {keyText, valueName, wanted}));
        return;
    }
    m_undoFile.RecordValue(key, valueName, stored.type, wanted);
    // Written from the wanted text itself, so its length is not limited; the
    // byte count includes the terminating zero byte, and the type is kept.
    LONG status = Win().RegSetValueExA(key, valueName.c_str(), 0, stored.type,
                                       reinterpret_cast<const BYTE*>(wanted.c_str()),
                                       static_cast<DWORD>(wanted.size() + 1));
    if (status != ERROR_SUCCESS) {
        m_undoFile.ChangeNotMade();
        log.Error(Format(kCouldNotFix, {keyText, valueName, stored.text}));
        return;
    }
    m_bChangesMade = true;
    m_undoFile.ChangeMade();
    log.Write(Format(kChanged, {keyText, valueName, stored.text, wanted}));
}
