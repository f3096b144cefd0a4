// pellis_protocol_cli: the portable protocol core from the command line, built
// natively and for Windows, so envelopes can cross between the two builds.
//   seal DEPLOYDIR MESSAGE   prints the envelope text
//   open DEPLOYDIR TEXT      prints the message
//   verify PEMFILE FILE      exit 0 when FILE carries a valid signature, 1 otherwise
//   verify-builtin FILE      the same with the key compiled in, as the program checks
// Paths are used as given (under Wine: Z:/...).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/deploy_keys.h"
#include "protocol/envelope.h"
#include "protocol/signed_file.h"
#include "system/whole_file.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: pellis_protocol_cli seal DEPLOYDIR MESSAGE\n"
                 "       pellis_protocol_cli open DEPLOYDIR TEXT\n"
                 "       pellis_protocol_cli verify PEMFILE FILE\n"
                 "       pellis_protocol_cli verify-builtin FILE\n");
    return 2;
}

int Fail(const std::string& what)
{
    std::fprintf(stderr, "pellis_protocol_cli: %s\n", what.c_str());
    return 1;
}

int Seal(const EnvelopeKeyText& key, const std::string& message)
{
    size_t capacity = 0;
    SealEnvelope(key, reinterpret_cast<const uint8_t*>(message.data()), message.size(), nullptr, &capacity);
    std::vector<char> text(capacity);
    if (SealEnvelope(key, reinterpret_cast<const uint8_t*>(message.data()), message.size(), text.data(), &capacity) != 0)
        return Fail("cannot seal");
    std::printf("%.*s\n", static_cast<int>(capacity), text.data());
    return 0;
}

int Open(const EnvelopeKeyText& key, const std::string& text)
{
    std::vector<uint8_t> message(text.size() + 1);
    size_t capacity = message.size();
    if (OpenEnvelope(key, text.data(), text.size(), message.data(), &capacity) != 0)
        return Fail("cannot open");
    std::fwrite(message.data(), 1, capacity, stdout);
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "verify-builtin") == 0)
        return VerifySignedFile(argv[2]) ? 0 : 1;
    if (argc != 4)
        return Usage();
    const std::string command = argv[1];
    if (command == "verify") {
        std::string pem;
        if (!ReadWholeFile(argv[2], &pem))
            return Fail(std::string("cannot read ") + argv[2]);
        return VerifySignedFile(pem, argv[3]) ? 0 : 1;
    }
    if (command != "seal" && command != "open")
        return Usage();
    DeployEnvelopeKeys keys;
    std::string error;
    if (!LoadEnvelopeKeys(argv[2], &keys, &error))
        return Fail(error);
    return command == "seal" ? Seal(keys.View(), argv[3]) : Open(keys.View(), argv[3]);
}
