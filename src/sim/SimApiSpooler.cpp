// The simulated backend: the print spooler's printer and port lists.
//
// Both calls lay their records out as the spooler does: the fixed-size records
// first, the texts they point to packed after them in the same buffer.
#include <cstring>

#include "sim/SimApi.h"

namespace sim {

namespace {
// Fills a caller's buffer with records and their texts, front to back.
class RecordBuffer {
public:
    RecordBuffer(LPBYTE buffer, std::size_t recordsSize) : m_buffer(buffer), m_textAt(recordsSize) {}

    LPSTR PutText(const std::string& text)
    {
        LPSTR at = reinterpret_cast<LPSTR>(m_buffer + m_textAt);
        std::memcpy(at, text.c_str(), text.size() + 1);
        m_textAt += text.size() + 1;
        return at;
    }

private:
    LPBYTE m_buffer;
    std::size_t m_textAt;
};

// The sizing protocol shared by both lists: report the size, and fail with
// ERROR_INSUFFICIENT_BUFFER when the caller's buffer is smaller.
bool FitsInBuffer(std::size_t needed, DWORD cbBuf, LPBYTE buffer, LPDWORD pcbNeeded, LPDWORD pcReturned,
                  DWORD& lastError)
{
    *pcbNeeded = static_cast<DWORD>(needed);
    *pcReturned = 0;
    if (needed > cbBuf || (needed > 0 && buffer == nullptr)) {
        lastError = ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    return true;
}
}  // namespace

BOOL SimApi::EnumPrintersA(DWORD Flags, LPSTR, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                           LPDWORD pcReturned)
{
    if (Fails(__func__))
        return FALSE;
    if (CallCount(__func__) <= m_machine.printerListNotReadyCalls) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (Level != 2) {
        m_lastError = ERROR_INVALID_LEVEL;
        return FALSE;
    }
    if (pcbNeeded == nullptr || pcReturned == nullptr || (Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS)) == 0) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::vector<machine::Printer> printers = m_machine.printers;
    for (machine::Printer& printer : printers)
        printer = {AnsiText(printer.name), AnsiText(printer.port), AnsiText(printer.driver)};
    std::size_t recordsSize = printers.size() * sizeof(PRINTER_INFO_2A);
    std::size_t needed = recordsSize;
    for (const machine::Printer& printer : printers)
        needed += printer.name.size() + printer.port.size() + printer.driver.size() + 3;
    if (!FitsInBuffer(needed, cbBuf, pPrinterEnum, pcbNeeded, pcReturned, m_lastError))
        return FALSE;

    RecordBuffer out(pPrinterEnum, recordsSize);
    PRINTER_INFO_2A* records = reinterpret_cast<PRINTER_INFO_2A*>(pPrinterEnum);
    for (std::size_t i = 0; i < printers.size(); ++i) {
        PRINTER_INFO_2A record = {};
        record.pPrinterName = out.PutText(printers[i].name);
        record.pPortName = out.PutText(printers[i].port);
        record.pDriverName = out.PutText(printers[i].driver);
        std::memcpy(&records[i], &record, sizeof record);
    }
    *pcReturned = static_cast<DWORD>(printers.size());
    return TRUE;
}

BOOL SimApi::EnumPortsA(LPSTR, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    if (Fails(__func__))
        return FALSE;
    if (Level != 1 && Level != 2) {
        m_lastError = ERROR_INVALID_LEVEL;
        return FALSE;
    }
    if (pcbNeeded == nullptr || pcReturned == nullptr) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    // Level 1 records hold the port name only; level 2 adds a monitor name and
    // a description, which the machine does not model (empty texts).
    std::vector<std::string> ports;
    for (const std::string& port : m_machine.ports)
        ports.push_back(AnsiText(port));
    std::size_t recordSize = Level == 1 ? sizeof(LPSTR) : sizeof(PORT_INFO_2A);
    std::size_t recordsSize = ports.size() * recordSize;
    std::size_t needed = recordsSize;
    for (const std::string& port : ports)
        needed += port.size() + 1 + (Level == 2 ? 2 : 0);
    if (!FitsInBuffer(needed, cbBuf, pPort, pcbNeeded, pcReturned, m_lastError))
        return FALSE;

    RecordBuffer out(pPort, recordsSize);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        PORT_INFO_2A record = {};
        record.pPortName = out.PutText(ports[i]);
        if (Level == 2) {
            record.pMonitorName = out.PutText(std::string());
            record.pDescription = out.PutText(std::string());
        }
        std::memcpy(pPort + i * recordSize, &record, recordSize);
    }
    *pcReturned = static_cast<DWORD>(ports.size());
    return TRUE;
}

}  // namespace sim
