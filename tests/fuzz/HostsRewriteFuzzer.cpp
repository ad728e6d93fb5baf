// Fuzzes the hosts-file rewrite. The input is a flag byte, four address bytes,
// a host-name length and the host name's bytes (both drawn from small
// alphabets so that the file's lines often mention them), then the hosts file.
//
// Checked: the file keeps its number of lines; a line that holds neither the
// address nor the host name comes through byte for byte, with its line end; a
// rewritten line keeps the end of the line it replaces (CR LF for a last line
// without one); rewriting the rewritten file changes nothing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "InstalledMachine.h"

namespace {
const char kHostsPath[] = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
const char kHostAlphabet[] = "ab-.1";
const std::size_t kMaxHostLength = 6;

struct Line {
    std::string text;
    std::string end;
};

// The lines with their ends. A CR LF pair, a line feed or a carriage return
// ends a line, as the rewrite reads them.
std::vector<Line> Lines(const std::string& text)
{
    std::vector<Line> lines;
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            line.end = text[i];
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                line.end += text[++i];
            lines.push_back(line);
            line = Line();
        } else {
            line.text += text[i];
        }
    }
    if (!line.text.empty())
        lines.push_back(line);
    return lines;
}

std::string Rewrite(const std::string& hosts, const std::string& ip, const std::string& host)
{
    machine::Machine machine;
    machine.files.Write(kHostsPath, hosts);
    {
        sim::InstalledMachine installed(machine);
        installed.app.UpdateHostsEntry(ip, host);
    }
    return machine.files.Find(kHostsPath)->bytes;
}

bool Mentions(const std::string& line, const std::string& field)
{
    return !field.empty() && line.find(field) != std::string::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    std::string ip;
    if (!(data[0] & 1)) {
        for (int i = 0; i < 4; ++i)
            ip += (i ? "." : "") + std::to_string(data[1 + i] % 4);
    }
    std::size_t hostLength = data[5] % (kMaxHostLength + 1);
    if (size < 6 + hostLength)
        return 0;
    std::string host;
    if (!(data[0] & 2)) {
        for (std::size_t i = 0; i < hostLength; ++i)
            host += kHostAlphabet[data[6 + i] % (sizeof kHostAlphabet - 1)];
    }
    std::string hosts(reinterpret_cast<const char*>(data) + 6 + hostLength, size - 6 - hostLength);

    std::string rewritten = Rewrite(hosts, ip, host);
    std::vector<Line> before = Lines(hosts), after = Lines(rewritten);
    if (before.size() != after.size())
        std::abort();
    for (std::size_t i = 0; i < before.size(); ++i) {
        bool untouched = before[i].text == after[i].text;
        if (!Mentions(before[i].text, ip) && !Mentions(before[i].text, host) && !untouched)
            std::abort();
        if (before[i].end != after[i].end && (!before[i].end.empty() || untouched || after[i].end != "\r\n"))
            std::abort();
    }
    if (Rewrite(rewritten, ip, host) != rewritten)
        std::abort();
    return 0;
}
