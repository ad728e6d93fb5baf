// Value names of an imaging device's entry that more than one repair touches.
#pragma once

namespace imaging {
const char kCreateFileName[] = "CreateFileName";  // the channel the scanner is opened on
}  // namespace imaging
