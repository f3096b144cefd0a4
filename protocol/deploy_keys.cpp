#include "protocol/deploy_keys.h"

#include <sstream>

#include "system/whole_file.h"

namespace {

constexpr char kKeysFileName[] = "envelope.keys";
// The peers assume 65537; any other exponent would seal envelopes they cannot open.
constexpr char kExponent[] = "010001";

struct Field {
    const char* name;
    size_t digits;
    std::string DeployEnvelopeKeys::*value;
    bool decimal;
};

const Field kFields[] = {
    {"N", 256, &DeployEnvelopeKeys::n, false},   {"E", 6, &DeployEnvelopeKeys::e, false},
    {"D", 256, &DeployEnvelopeKeys::d, false},   {"P", 128, &DeployEnvelopeKeys::p, false},
    {"Q", 128, &DeployEnvelopeKeys::q, false},   {"DP", 128, &DeployEnvelopeKeys::dp, false},
    {"DQ", 128, &DeployEnvelopeKeys::dq, false}, {"QP", 128, &DeployEnvelopeKeys::qp, false},
    {"IV", 8, &DeployEnvelopeKeys::iv, true},
};

const Field* FindField(const std::string& name)
{
    for (const Field& f : kFields)
        if (name == f.name)
            return &f;
    return nullptr;
}

bool IsLowerHex(const std::string& s) { return s.find_first_not_of("0123456789abcdef") == std::string::npos; }

bool IsDecimal(const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; }

bool Fail(std::string* error, const std::string& reason)
{
    *error = reason;
    return false;
}

}  // namespace

EnvelopeKeyText DeployEnvelopeKeys::View() const
{
    return {n.c_str(), e.c_str(), d.c_str(), {p.c_str(), q.c_str(), dp.c_str(), dq.c_str(), qp.c_str()}, iv.c_str()};
}

// envelope.keys: one NAME=value line per field, blank lines allowed. Hex is
// lower-case and of fixed width, as the build that compiles the keys in reads it.
bool ParseEnvelopeKeys(const std::string& text, DeployEnvelopeKeys* keys, std::string* error)
{
    DeployEnvelopeKeys parsed;
    bool seen[std::size(kFields)] = {};
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (line.empty())
            continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return Fail(error, where + "expected NAME=value");
        const std::string name = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        const Field* field = FindField(name);
        if (!field)
            return Fail(error, where + "unknown field '" + name + "'");
        bool& fieldSeen = seen[field - kFields];
        if (fieldSeen)
            return Fail(error, where + name + " is repeated");
        fieldSeen = true;
        if (value.size() != field->digits)
            return Fail(error, where + name + " must have " + std::to_string(field->digits) + " digits, has " +
                                   std::to_string(value.size()));
        if (field->decimal ? !IsDecimal(value) : !IsLowerHex(value))
            return Fail(error, where + name + (field->decimal ? " must be decimal digits" : " must be lower-case hex"));
        parsed.*field->value = value;
    }
    for (const Field& f : kFields)
        if (!seen[&f - kFields])
            return Fail(error, std::string(f.name) + " is missing");
    if (parsed.e != kExponent)
        return Fail(error, std::string("E must be ") + kExponent);
    *keys = parsed;
    return true;
}

size_t EnvelopeKeyDigits(const std::string& name)
{
    const Field* field = FindField(name);
    return field ? field->digits : 0;
}

std::string FormatEnvelopeKeys(const DeployEnvelopeKeys& keys)
{
    std::string text;
    for (const Field& f : kFields)
        text += std::string(f.name) + "=" + keys.*f.value + "\n";
    return text;
}

bool LoadEnvelopeKeys(const std::string& dir, DeployEnvelopeKeys* keys, std::string* error)
{
    const std::string path = dir + "/" + kKeysFileName;
    std::string text;
    if (!ReadWholeFile(path, &text))
        return Fail(error, "cannot read " + path);
    if (!ParseEnvelopeKeys(text, keys, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}
