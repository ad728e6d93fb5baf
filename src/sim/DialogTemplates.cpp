#include "sim/DialogTemplates.h"

#include <algorithm>

namespace sim {

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate& dialog : DialogTemplates()) {
        if (dialog.id == id)
            return &dialog;
    }
    return nullptr;
}

bool HasIconResource(int id)
{
    const std::vector<int>& icons = IconResources();
    return std::find(icons.begin(), icons.end(), id) != icons.end();
}

const char* FindResourceString(unsigned id)
{
    const std::map<unsigned, const char*>& strings = ResourceStrings();
    auto found = strings.find(id);
    return found == strings.end() ? nullptr : found->second;
}

}  // namespace sim
