#include "test_client.h"

#include <sstream>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <openssl/x509v3.h>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

namespace {

// Long enough for a server that closes after answering, short enough for one
// that keeps the connection.
constexpr std::chrono::seconds kCloseWait{2};
constexpr unsigned kTlsPort = 443;

// Runs one asynchronous step to its end; the stream's deadline bounds it.
template <class Start>
beast::error_code Step(asio::io_context& io, Start&& start)
{
    beast::error_code result;
    start([&result](beast::error_code ec, auto&&...) { result = ec; });
    io.restart();
    io.run();
    return result;
}

std::string Serialise(const http::request<http::empty_body>& request)
{
    std::ostringstream out;
    out << request;
    return out.str();
}

class Connection {
public:
    explicit Connection(std::chrono::milliseconds limit) : limit_(limit) { context_.set_verify_mode(ssl::verify_none); }

    beast::error_code Connect(uint16_t port)
    {
        tcp_.expires_after(limit_);
        return Step(io_, [&](auto handler) {
            tcp_.async_connect(tcp::endpoint(asio::ip::address_v4::loopback(), port), handler);
        });
    }

    beast::error_code StartTls(const std::string& host)
    {
        tls_.emplace(std::move(tcp_), context_);
        SSL_set_tlsext_host_name(tls_->native_handle(), host.c_str());
        Lowest().expires_after(limit_);
        return Step(io_, [&](auto handler) { tls_->async_handshake(ssl::stream_base::client, handler); });
    }

    // Sends `request` and reads one response; `skip_body` for the answer to a CONNECT.
    Response Exchange(const std::string& request, bool skip_body = false)
    {
        return tls_ ? Exchange(*tls_, request, skip_body) : Exchange(tcp_, request, skip_body);
    }

    X509* PeerCertificate() { return tls_ ? SSL_get1_peer_certificate(tls_->native_handle()) : nullptr; }

private:
    beast::tcp_stream& Lowest() { return beast::get_lowest_layer(*tls_); }

    template <class Stream>
    Response Exchange(Stream& stream, const std::string& request, bool skip_body)
    {
        Response response;
        auto& lowest = beast::get_lowest_layer(stream);
        lowest.expires_after(limit_);
        response.error = Step(io_, [&](auto handler) { asio::async_write(stream, asio::buffer(request), handler); });
        if (response.error) return response;

        http::response_parser<http::string_body> parser;
        parser.skip(skip_body);
        response.error = Step(io_, [&](auto handler) { http::async_read(stream, buffer_, parser, handler); });
        if (parser.is_header_done()) {
            const auto& message = parser.get();
            response.status = message.result_int();
            response.content_type = std::string(message[http::field::content_type]);
            if (message.has_content_length()) {
                response.content_length = std::stoul(std::string(message[http::field::content_length]));
            }
            for (const auto& field : message) response.fields.emplace(field.name_string(), field.value());
            response.body = message.body();
        }
        // A tunnel stays open after its 200; any other answer may be followed by a close.
        if (!response.error && !(skip_body && response.status == 200)) {
            char byte = 0;
            lowest.expires_after(kCloseWait);
            const beast::error_code after =
                Step(io_, [&](auto handler) { stream.async_read_some(asio::buffer(&byte, 1), handler); });
            response.closed = after == asio::error::eof || after == ssl::error::stream_truncated;
        }
        return response;
    }

    asio::io_context io_;
    ssl::context context_{ssl::context::tls_client};
    beast::tcp_stream tcp_{io_};
    std::optional<beast::ssl_stream<beast::tcp_stream>> tls_;
    beast::flat_buffer buffer_;
    std::chrono::milliseconds limit_;
};

uint16_t PortOf(const Ports& ports, Route route)
{
    switch (route) {
        case Route::http:
            return ports.http;
        case Route::https:
            return ports.https;
        case Route::admin:
            return ports.admin;
        default:
            return ports.proxy;
    }
}

}  // namespace

std::string Response::Field(const std::string& name) const
{
    const auto field = fields.find(name);
    return field == fields.end() ? std::string() : field->second;
}

const char* RouteName(Route route)
{
    switch (route) {
        case Route::http:
            return "http";
        case Route::https:
            return "https";
        case Route::proxy:
            return "proxy";
        case Route::tunnel:
            return "tunnel";
        case Route::admin:
            return "admin";
    }
    return "";
}

Response Fetch(const Ports& ports, const Get& get, std::chrono::milliseconds limit)
{
    Connection connection(limit);
    Response failed;
    if ((failed.error = connection.Connect(PortOf(ports, get.route)))) return failed;
    if (get.route == Route::tunnel) {
        const std::string authority = get.host + ":" + std::to_string(kTlsPort);
        http::request<http::empty_body> connect{http::verb::connect, authority, get.version};
        connect.set(http::field::host, authority);
        Response tunnel = connection.Exchange(Serialise(connect), true);
        if (tunnel.error || tunnel.status != 200) return tunnel;
    }
    if (get.route == Route::https || get.route == Route::tunnel) {
        if ((failed.error = connection.StartTls(get.host))) return failed;
    }
    const std::string target = get.route == Route::proxy ? "http://" + get.host + get.target : get.target;
    http::request<http::empty_body> request{http::verb::get, target, get.version};
    request.set(http::field::host, get.host);
    for (const auto& [name, value] : get.headers) request.insert(name, value);
    return connection.Exchange(Serialise(request));
}

Response SendRaw(uint16_t port, const std::string& bytes, std::chrono::milliseconds limit)
{
    Connection connection(limit);
    Response failed;
    if ((failed.error = connection.Connect(port))) return failed;
    return connection.Exchange(bytes);
}

CertificateFacts PeerCertificate(uint16_t https_port)
{
    CertificateFacts facts;
    Connection connection(kPatience);
    if (connection.Connect(https_port) || connection.StartTls(kBankHost)) return facts;
    std::unique_ptr<X509, decltype(&X509_free)> cert(connection.PeerCertificate(), X509_free);
    if (!cert) return facts;
    facts.received = true;
    facts.expired = X509_cmp_current_time(X509_get0_notAfter(cert.get())) < 0;
    facts.names_bank_host = X509_check_host(cert.get(), kBankHost, 0, 0, nullptr) == 1;
    return facts;
}
