// The HTTPS listener's certificate, made afresh at every start: the client
// under test ignores every certificate problem, and these kinds let its tests
// show that.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/ssl/context.hpp>

enum class CertKind {
    self_signed,  // valid now, for the releases' hosts, "localhost" and 127.0.0.1
    expired,      // the same names, validity ended yesterday
    wrong_name,   // valid now, for a name no client asks for
};

bool ParseCertKind(std::string_view name, CertKind* kind);

// Generates an RSA key and a self-signed certificate for `hosts` (may be
// none) and installs both in `context`.
bool UseSelfSignedCertificate(boost::asio::ssl::context& context, CertKind kind,
                              const std::vector<std::string>& hosts, std::string* error);
