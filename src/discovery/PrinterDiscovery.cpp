// Discovery of the installed all-in-one: the printer list, the supported
// families among it, and the kind of connection its port name tells.
#include <algorithm>
#include <cstring>
#include <new>
#include <set>

#include "app/Remendo.h"
#include "discovery/ProductFamily.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/PortNames.h"
#include "platform/WinApi.h"
#include "ui/resource.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kCannotSizeList[] = "Error when getting size for enumerating printers";
const char kInsufficientMemory[] = "Insufficient memory";
const char kCannotEnumerate[] = "Error enumerating printers";
const char kIgnoring[] = "\tIgnoring %s";
const char kFound[] = "\tFound %s";
const char kDuplicate[] = "\tduplicate %s ";
const char kAllFound[] = "\t===> Here are all the Quillray AiOs that were found:";
const char kPrinterOnPort[] = "\t\"%s\" found on %s";
const char kSeveralPorts[] = "--- No, more than one port found, prompting user";
const char kOnlyOne[] = "--- Yes, only one Quillray found so using printer=\"%s\", port=\"%s\"";
const char kConnectionQuestion[] = "- How is it connected?";
const char kUnknownProduct[] = "Can't determine product";
const char kDirect[] = "--- Direct";
const char kWrongLocalPort[] = "--- Direct but printer is installed incorrectly on the %s port.  Please re-install correctly.";
const char kNetworked[] = "--- networked";

const DWORD kPrinterEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
const DWORD kPrinterInfoLevel = 2;
// The spooler may answer ERROR_INVALID_PARAMETER for a while; the sizing call
// is repeated up to five times, two seconds apart.
const int kSizingRepeats = 5;
const DWORD kSizingPauseMs = 2000;

struct PrinterRecord {
    std::string printer;
    std::string port;
    std::string driver;
};

enum class ListRead { kRead, kFailed, kNothingToRead };

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

bool ContainsAny(const std::string& text, const std::vector<std::string>& parts)
{
    return std::any_of(parts.begin(), parts.end(), [&](const std::string& part) { return Contains(text, part); });
}

std::string TextOf(LPCSTR text)
{
    return text != nullptr ? text : "";
}

bool IsSupportedDriver(const std::string& driver)
{
    if (!Contains(driver, g_szPrinterLanguage))
        return false;
    return std::any_of(std::begin(g_productFamilies), std::end(g_productFamilies),
                       [&](const ProductFamily* family) { return ContainsAny(driver, family->driverNames); });
}

// The printer list at level 2, sized first; logs its own failures.
ListRead ReadPrinterList(DebugLog& log, std::vector<PrinterRecord>& printers)
{
    DWORD needed = 0;
    DWORD count = 0;
    auto sizingError = [&]() {
        BOOL sized = Win().EnumPrintersA(kPrinterEnumFlags, nullptr, kPrinterInfoLevel, nullptr, 0, &needed, &count);
        // A sizing call that succeeds (an empty list) leaves no error of its own.
        return sized ? static_cast<DWORD>(ERROR_SUCCESS) : Win().GetLastError();
    };
    DWORD error = sizingError();
    for (int repeat = 0; error == ERROR_INVALID_PARAMETER && repeat < kSizingRepeats; ++repeat) {
        Win().Sleep(kSizingPauseMs);
        error = sizingError();
    }
    if (error == ERROR_INVALID_PARAMETER) {
        log.Error(kCannotSizeList);
        return ListRead::kFailed;
    }
    if (error != ERROR_INSUFFICIENT_BUFFER)
        return ListRead::kNothingToRead;

    std::vector<BYTE> buffer;
    try {
        buffer.assign(needed, 0);
    } catch (const std::bad_alloc&) {
        log.Error(kInsufficientMemory);
        return ListRead::kFailed;
    }
    if (!Win().EnumPrintersA(kPrinterEnumFlags, nullptr, kPrinterInfoLevel, buffer.data(), needed, &needed, &count)) {
        log.Error(kCannotEnumerate);
        return ListRead::kFailed;
    }
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(PRINTER_INFO_2A)));
    for (DWORD i = 0; i < count; ++i) {
        PRINTER_INFO_2A record;
        std::memcpy(&record, buffer.data() + i * sizeof record, sizeof record);
        printers.push_back({TextOf(record.pPrinterName), TextOf(record.pPortName), TextOf(record.pDriverName)});
    }
    return ListRead::kRead;
}
}  // namespace

void CRemendoApp::SelectFamily(const ProductFamily* family)
{
    m_bFamilyA = family == &g_familyA;
    m_bFamilyB = family == &g_familyB;
    m_bFamilyC = family == &g_familyC;
}

bool CRemendoApp::DetermineInfo()
{
    DebugLog log("DetermineInfo", kRemendoSourceFile);

    std::vector<PrinterRecord> printers;
    switch (ReadPrinterList(log, printers)) {
    case ListRead::kFailed:
        return false;
    case ListRead::kNothingToRead:
        return true;
    case ListRead::kRead:
        break;
    }

    // The recognised printers; the first one on each new port is a candidate.
    std::set<std::string> seenPorts;
    const PrinterRecord* candidate = nullptr;
    for (const PrinterRecord& record : printers) {
        if (!IsSupportedDriver(record.driver)) {
            log.Writef(kIgnoring, record.driver);
            continue;
        }
        if (seenPorts.insert(record.port).second) {
            log.Writef(kFound, record.driver);
            candidate = &record;
        }
        if (m_mapPrinterPorts.count(record.printer) > 0)
            log.Writef(kDuplicate, record.printer);
        m_mapPrinterPorts[record.printer] = record.port;
    }
    log.Write(kAllFound);
    for (const auto& entry : m_mapPrinterPorts)
        log.Write(Format(kPrinterOnPort, {entry.first, entry.second}));

    if (seenPorts.size() > 1) {
        log.Write(kSeveralPorts);
        return false;
    }
    if (candidate == nullptr)
        return false;

    m_strPrinterName = candidate->printer;
    m_strPortName = candidate->port;
    log.Write(Format(kOnlyOne, {m_strPrinterName, m_strPortName}));
    log.Write(kConnectionQuestion);

    // The family from the model number in the printer's name; a name of the
    // user's own leaves the flags as they are.
    auto named = std::find_if(std::begin(g_productFamilies), std::end(g_productFamilies),
                              [&](const ProductFamily* family) { return ContainsAny(m_strPrinterName, family->modelNumbers); });
    if (named != std::end(g_productFamilies))
        SelectFamily(*named);
    else
        log.Error(kUnknownProduct);

    if (ports::HoldsDot4Marker(m_strPortName)) {
        log.Write(kDirect);
        m_bNetworked = false;
        return true;
    }
    if (std::any_of(std::begin(ports::kLocalPortMarkers), std::end(ports::kLocalPortMarkers),
                    [&](const char* marker) { return Contains(m_strPortName, marker); })) {
        // Connected directly, but installed on a port scanning cannot use.
        std::string message = Format(kWrongLocalPort, {m_strPortName});
        log.Error(message);
        AfxMessageBox(message, MB_OK);
        m_strPortName.clear();
        m_bNetworked = false;
        return false;
    }

    log.Write(kNetworked);
    m_bNetworked = true;
    GetInfoFromPortMonitor();
    StepProgress(IDS_RESOLVING_HOSTNAME);
    if (!m_strIpAddress.empty() && m_strHostName.empty())
        ResolveHostFromIP(m_strIpAddress, m_strHostName);
    if (m_strHwAddress.empty() || m_strHostName.empty() || m_strIpAddress.empty())
        GetInfoFromProduct();
    return true;
}
