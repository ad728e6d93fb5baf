// What the simulated machine knows of the utility's resources: the controls
// each dialog template creates, with their class, initial text and list
// sorting; the string table; the icons.
#pragma once

#include <map>
#include <vector>

namespace sim {

struct ControlTemplate {
    int id;
    const char* className;
    const char* text;
    bool sorted;
};

struct DialogTemplate {
    int id;
    bool visible;  // WS_VISIBLE in the template's style
    std::vector<ControlTemplate> controls;
};

// nullptr for a template the utility does not have.
const DialogTemplate* FindDialogTemplate(int id);

// Whether the utility has an icon resource of that ID.
bool HasIconResource(int id);

// The string table's text of an ID, nullptr when there is none.
const char* FindResourceString(unsigned id);

// The tables themselves, generated at build time from the utility's resource
// script (cmake/ResourceTables.cmake), so they hold what remendo.exe holds.
const std::vector<DialogTemplate>& DialogTemplates();
const std::map<unsigned, const char*>& ResourceStrings();
const std::vector<int>& IconResources();

}  // namespace sim
