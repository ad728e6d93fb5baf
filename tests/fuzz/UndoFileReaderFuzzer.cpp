// Fuzzes the undo file's reader: any bytes are read or refused without a
// crash, and a record read names nothing but what the places allow: copies
// beside the undo file and named after it, files of the system directory, and
// values of the allowed keys.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "log/UndoFileReader.h"
#include "sim/SimProcess.h"

namespace {
const char kUndoPath[] = "C:\\Store\\Remendo-undo-1-20261208-093000.reg";
const char kCopyStart[] = "C:\\STORE\\REMENDO-UNDO-1-20261208-093000-";
const char kSystemDir[] = "C:\\WINDOWS\\SYSTEM32\\";
const char* const kValueKeys[] = {"SOFTWARE\\Corvane",
                                  "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}",
                                  "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports"};
const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\QMX Driver CVQ40";

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static machine::Machine machine;
    static sim::SimApi api(machine);
    static sim::ScopedBackend backend(api);
    undo::ChangeablePlaces places;
    places.systemDirectories = {"C:\\WINDOWS\\system32\\"};
    places.valueKeys.assign(std::begin(kValueKeys), std::end(kValueKeys));
    places.serviceKeys = {kServiceKey};
    places.systemFiles = {"drivers\\etc\\hosts", "cvqscan3.dll"};
    places.madeFiles = {"drivers\\etc\\hosts.new"};
    places.movedNames = {"cvqscan3.dll"};
    undo::UndoRecord record;
    std::string problem;
    if (!undo::ReadUndoFile(kUndoPath, std::string(reinterpret_cast<const char*>(data), size), places, record,
                            problem))
        return 0;
    for (const undo::FileChange& file : record.files) {
        std::string copy = undo::Upper(file.copy);
        if (!StartsWith(copy, kCopyStart) || copy.find_first_of("\\/:", sizeof kCopyStart - 1) != std::string::npos ||
            !StartsWith(undo::Upper(file.target), kSystemDir) || !file.knowsKept)
            std::abort();
    }
    for (const undo::ValueChange& value : record.values) {
        bool allowed = undo::Upper(value.keyPath) == undo::Upper(kServiceKey);
        for (const char* key : kValueKeys)
            allowed = allowed || StartsWith(undo::Upper(value.keyPath), undo::Upper(key) + "\\");
        if (!allowed)
            std::abort();
        if (value.keyPath.find("\\..\\") != std::string::npos || value.name.find(WCHAR{0}) != undo::WideText::npos)
            std::abort();
    }
    return 0;
}
