// The single-byte Windows code pages a simulated machine models.
#pragma once

#include <cstddef>

namespace machine {

// Bytes below 0x80 are ASCII in every one of them; `high` holds the
// characters of 0x80 to 0xFF.
struct CodePageTable {
    unsigned number;
    unsigned short high[128];
};

extern const CodePageTable kCodePageTables[];
extern const std::size_t kCodePageTableCount;

}  // namespace machine
