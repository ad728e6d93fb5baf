// Fixed names and texts of the run.
#pragma once

namespace run {
const char kInstanceMappingName[] = "cvRemendoUtility";
const unsigned kInstanceMappingSize = 32;
const char kLogPathFormat[] = "%s%s.%s";
const char kLogBaseName[] = "Remendo";
const char kLogExtension[] = "log";
const char kVersionFileBase[] = "Remendo";
const char kVersionFileExtension[] = ".exe";
const int kProgressStep = 8;
const int kProgressFirst = 8;
const int kProgressLast = 100;
const char kNetworkedQuestionFormat[] = "Found %s networked at %s using %s, Continue with this information?";
const char kDirectQuestionFormat[] = "Found %s on %s, Continue with this information?";
const unsigned kConfirmationStyle = 0x23;  // MB_YESNOCANCEL | MB_ICONQUESTION
const char kNotAdministratorMessage[] = "You need administrator privileges to run this utility";
}  // namespace run
