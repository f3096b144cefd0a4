// Reading a deployment folder (see deploy/ in the README) at run time, for the
// Linux tools and the tests. The program itself has the material compiled in.
#pragma once

#include <string>

#include "protocol/deploy_material.h"

struct DeployEnvelopeKeys {
    std::string n, e, d, p, q, dp, dq, qp, iv;

    // A view for the envelope functions; valid while this object lives.
    EnvelopeKeyText View() const;
};

// Parses the text of an envelope.keys file. False, with a reason, when a field
// is missing, repeated, of the wrong width or not lower-case hex (IV: decimal).
bool ParseEnvelopeKeys(const std::string& text, DeployEnvelopeKeys* keys, std::string* error);

// The fixed width of field `name` ("N", "E", "D", "P", "Q", "DP", "DQ", "QP",
// "IV"); 0 for a name that is no field.
size_t EnvelopeKeyDigits(const std::string& name);

// The text of an envelope.keys file that ParseEnvelopeKeys reads back: one
// NAME=value line per field, in the order above.
std::string FormatEnvelopeKeys(const DeployEnvelopeKeys& keys);

// Reads DIR/envelope.keys.
bool LoadEnvelopeKeys(const std::string& dir, DeployEnvelopeKeys* keys, std::string* error);
