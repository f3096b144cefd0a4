// Whether the certificate that signed a downloaded installer names the
// publisher the deployment expects.
#pragma once

#include <string>
#include <vector>

// True when the subject of the signing certificate holds exactly one common
// name (`commonNames`, UTF-8, in the subject's order) and it equals `expected`
// byte for byte. Certification authorities write a publisher's name as it was
// registered, so no case or blank is forgiven; a second common name or a
// character hidden behind a NUL could make a display of the name show the
// expected one while the certificate names someone else.
bool IsExpectedSigner(const std::string& expected, const std::vector<std::string>& commonNames);
