#include "tools/server/options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>

#include <boost/asio/ip/address.hpp>

#include "tools/server/config_file.h"
#include "tools/server/url_path.h"

const char kUsage[] = R"(Usage: pellis-server [OPTION]...
The bank's server for tests of pellis: answers the version query, serves a
release's download area over HTTP and HTTPS, and runs a forward proxy that
leads every host to these listeners.

Content:
  --config FILE        read the server's settings and its banks from FILE (see
                       "Configuration file" below); the command line wins
  --deploy DIR         open and seal envelopes with DIR/envelope.keys
  --release DIR        answer with DIR/release.json and serve DIR/download below
                       the path of its "url". Its "v", "url" and "update" are
                       answered as written, unchecked: a test can answer as
                       an attacker in the bank's place would
  --serve PATH=FILE    answer GET PATH with the bytes of FILE, status 200
  --status PATH=CODE   answer a --serve PATH with status CODE (100-599)
  A file of the download area, or of --serve with status 200, is answered with
  Accept-Ranges, a strong ETag and Last-Modified. A GET asking for one byte
  range (Range: bytes=A-B, bytes=A- or bytes=-N) gets 206 with that part, or
  416 when it starts past the end; with If-Range, only while that names the
  file's ETag or Last-Modified. Several ranges get the whole file.

Listeners:
  --bind ADDR          address of all three listeners (default 127.0.0.1)
  --http-port N        plain HTTP (default 0: any free port)
  --https-port N       HTTPS, with a certificate made at start (default 0)
  --proxy-port N       forward proxy (default 0): absolute-URI requests are
                       answered here, CONNECT is tunnelled to the HTTPS listener
  --cert KIND          self-signed (default), expired or wrong-name
  --admin-port N       GET /healthz ("ok") and /metrics (Prometheus text
                       format) on a plain-HTTP listener of their own (default:
                       none; 0: any free port); never logged

Proxy, per host (case-insensitive, without port):
  --refuse HOST        close CONNECT and absolute requests unanswered
  --blackhole HOST     accept and never answer. For plain HTTP only: WinINet
                       under Wine crashes when a CONNECT tunnel stays silent
  --upstream HOST=ADDR:PORT
                       relay plain-HTTP requests for HOST to the HTTP server at
                       ADDR:PORT (a static web server holding a download area)

Faults:
  --fault PATH=MODE    misbehave on GET PATH; "/assist/server" applies to every
                       version query. MODE is one of
       hang            read the request, never answer, keep the connection
       close           close without answering
       garbage         200 with a body that is no envelope
       odd             the answer followed by "\n"
       crlf            the answer followed by "\r\n"
       truncate        announce the full Content-Length, send half, close
       stall           announce the full Content-Length, send half, stay silent
       drop-once       on the path's first request only: announce the full
                       Content-Length, send nine tenths, close; every later
                       request is answered normally, ranges included
       drop-once-dated drop-once, and no answer carries an ETag (only
                       Last-Modified)
       resume-other-tag, resume-no-tag, resume-wrong-range, resume-416,
       resume-changed  drop-once, then a resume misanswered: a 206 under
                       another ETag, a 206 without ETag, a 206 that starts one
                       byte early, 416 to any Range; or the file changed (its
                       bytes reversed, another ETag), so If-Range sends it whole
       404, 500        that status (500 with an HTML body)
       wrong-length    Content-Length one more than the body, close
       no-length       the whole body without Content-Length, ended by
                       closing the connection (as an HTTP/1.0 server may)
       empty           200 with an empty body
       bad-envelope    the answer with its last character changed
       not-json        a sealed answer whose message is no JSON
                       Through a CONNECT tunnel WinINet under Wine resends
                       forever after close and crashes on hang: to simulate a
                       dead HTTPS bank, use --refuse.
  --faults-until FILE  apply the --fault modes only while FILE does not exist, so
                       a test can run the program again against a sound server
  --then-release DIR   once the --faults-until FILE exists, answer and serve the
                       default bank from DIR instead of its --release: a test
                       plays an attacker's release, then the genuine one

Operation:
  --log FILE           append one JSON line per request to FILE (default stderr)
  --ports-file FILE    once listening, write "http=N https=N proxy=N" to FILE
                       (atomically: the file appears complete)
  --lifetime SECONDS   stop after SECONDS
  --threads N          answer requests on N threads (default: one per core)
  --help               show this text

--refuse, --blackhole, --upstream, --fault, --serve and --status may be
repeated. PATHs are compared without query, percent-decoded, with "\" read as
"/" and repeated "/" collapsed. The listening ports also go to stdout as
"http=N https=N proxy=N", followed by " admin=N" with --admin-port. SIGTERM
and SIGINT stop the server.

Configuration file (INI: "key = value" lines under section headings, comment
lines starting with "#" or ";", paths best absolute):
  [server]             bind, http-port, https-port, proxy-port, admin-port,
                       cert, log and threads, as the options of those names
  [bank NAME]          one bank; one such section per bank
    hosts = HOST, ...  the host names whose requests this bank answers (the
                       Host header, or the host of an absolute-URI request)
    deploy = DIR       as --deploy, for this bank
    release = DIR      as --release, for this bank
    default = yes      this bank also answers every host no bank names; at
                       most one bank is the default, and without one such
                       hosts get 404
--deploy and --release set the default bank's folders; without a [bank]
section the server has one bank, which answers every host.

SIGHUP loads the configuration file and every bank's keys and release again
and switches to them at once; requests in flight finish with what they began
with. Listeners, log, certificate, threads and the test options (--serve,
--fault, the proxy's) stay as started. When anything fails to load, the server goes on with
what it served and says why on stderr; each reload writes one JSON line there:
{"event":"reload","ok":true|false,...}.

Exit status: 0 after a stop, 1 when a listener cannot start, 2 for a bad
command line, configuration file or an input they name that cannot be read.
)";

namespace {

using Apply = bool (*)(const std::string& value, ServerOptions* options, std::string* error);

// Far beyond any machine's cores; a typo's thousands of threads are refused.
constexpr unsigned long kMaxThreads = 1024;

bool ParseNumber(const std::string& text, unsigned long low, unsigned long high, unsigned long* value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    *value = std::strtoul(text.c_str(), nullptr, 10);
    return errno == 0 && *value >= low && *value <= high;
}

bool ParsePort(const std::string& text, uint16_t* port, std::string* error)
{
    unsigned long value = 0;
    if (!ParseNumber(text, 0, 65535, &value)) {
        *error = "not a port number (0-65535): " + text;
        return false;
    }
    *port = static_cast<uint16_t>(value);
    return true;
}

// "PATH=VALUE" with PATH starting with "/"; PATH comes back normalised.
bool SplitAssignment(const std::string& text, std::string* path, std::string* value, std::string* error)
{
    const size_t equals = text.find('=');
    if (text.empty() || text[0] != '/' || equals == std::string::npos || equals + 1 == text.size()) {
        *error = "expected PATH=VALUE with PATH starting with \"/\": " + text;
        return false;
    }
    *path = NormalisePath(text.substr(0, equals));
    *value = text.substr(equals + 1);
    return true;
}

bool AddHost(const std::string& text, std::vector<std::string>* hosts, std::string* error)
{
    const std::string host = HostWithoutPort(text);
    if (host.empty()) {
        *error = "not a host name: " + text;
        return false;
    }
    hosts->push_back(host);
    return true;
}

// "HOST=ADDR:PORT"; the port is what follows the last ":".
bool AddUpstream(const std::string& text, ServerOptions* options, std::string* error)
{
    const size_t equals = text.find('=');
    const size_t colon = text.rfind(':');
    if (equals == std::string::npos || colon == std::string::npos || colon < equals ||
        HostWithoutPort(text.substr(0, equals)).empty()) {
        *error = "expected HOST=ADDR:PORT: " + text;
        return false;
    }
    const std::string address = text.substr(equals + 1, colon - equals - 1);
    boost::system::error_code ec;
    const boost::asio::ip::address parsed = boost::asio::ip::make_address(address, ec);
    if (ec) {
        *error = "not an IP address: " + address;
        return false;
    }
    uint16_t port = 0;
    if (!ParsePort(text.substr(colon + 1), &port, error)) return false;
    options->upstreams[HostWithoutPort(text.substr(0, equals))] = boost::asio::ip::tcp::endpoint(parsed, port);
    return true;
}

struct OptionSpec {
    const char* name;
    bool repeatable;
    bool in_file;  // a configuration file's [server] section may set it
    Apply apply;
};

const OptionSpec kOptions[] = {
    {"--config", false, false, ReadConfigFile},
    {"--deploy", false, false,
     [](const std::string& v, ServerOptions* o, std::string*) {
         DefaultBank(o).deploy_dir = v;
         return true;
     }},
    {"--release", false, false,
     [](const std::string& v, ServerOptions* o, std::string*) {
         DefaultBank(o).release_dir = v;
         return true;
     }},
    {"--serve", true, false,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         std::string path, file;
         if (!SplitAssignment(v, &path, &file, e)) return false;
         o->served_files[path] = file;
         return true;
     }},
    {"--status", true, false,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         std::string path, code;
         unsigned long status = 0;
         if (!SplitAssignment(v, &path, &code, e)) return false;
         if (!ParseNumber(code, 100, 599, &status)) {
             *e = "not a status code (100-599): " + code;
             return false;
         }
         o->statuses[path] = static_cast<unsigned>(status);
         return true;
     }},
    {"--bind", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         boost::system::error_code ec;
         boost::asio::ip::make_address(v, ec);
         if (ec) {
             *e = "not an IP address: " + v;
             return false;
         }
         o->bind_address = v;
         return true;
     }},
    {"--http-port", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) { return ParsePort(v, &o->http_port, e); }},
    {"--https-port", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) { return ParsePort(v, &o->https_port, e); }},
    {"--proxy-port", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) { return ParsePort(v, &o->proxy_port, e); }},
    {"--admin-port", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) { return ParsePort(v, &o->admin_port.emplace(), e); }},
    {"--cert", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         if (ParseCertKind(v, &o->cert)) return true;
         *e = "unknown certificate kind: " + v;
         return false;
     }},
    {"--refuse", true, false,
     [](const std::string& v, ServerOptions* o, std::string* e) { return AddHost(v, &o->refused_hosts, e); }},
    {"--blackhole", true, false,
     [](const std::string& v, ServerOptions* o, std::string* e) { return AddHost(v, &o->blackholed_hosts, e); }},
    {"--upstream", true, false, AddUpstream},
    {"--fault", true, false,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         std::string path, mode;
         if (!SplitAssignment(v, &path, &mode, e)) return false;
         if (!ParseFaultMode(mode, &o->faults[path])) {
             *e = "unknown fault mode: " + mode;
             return false;
         }
         return true;
     }},
    {"--faults-until", false, false,
     [](const std::string& v, ServerOptions* o, std::string*) {
         o->faults_until = v;
         return true;
     }},
    {"--then-release", false, false,
     [](const std::string& v, ServerOptions* o, std::string*) {
         o->then_release = v;
         return true;
     }},
    {"--log", false, true,
     [](const std::string& v, ServerOptions* o, std::string*) {
         o->log_file = v;
         return true;
     }},
    {"--ports-file", false, false,
     [](const std::string& v, ServerOptions* o, std::string*) {
         o->ports_file = v;
         return true;
     }},
    {"--lifetime", false, false,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         unsigned long seconds = 0;
         if (!ParseNumber(v, 1, 1000000, &seconds)) {
             *e = "not a number of seconds (1-1000000): " + v;
             return false;
         }
         o->lifetime_seconds = static_cast<unsigned>(seconds);
         return true;
     }},
    {"--threads", false, true,
     [](const std::string& v, ServerOptions* o, std::string* e) {
         unsigned long threads = 0;
         if (!ParseNumber(v, 1, kMaxThreads, &threads)) {
             *e = "not a number of threads (1-" + std::to_string(kMaxThreads) + "): " + v;
             return false;
         }
         o->threads = static_cast<unsigned>(threads);
         return true;
     }},
};

const OptionSpec* FindOption(const std::string& name)
{
    for (const OptionSpec& entry : kOptions) {
        if (name == entry.name) return &entry;
    }
    return nullptr;
}

}  // namespace

ParseOutcome ParseOptions(const std::vector<std::string>& args, ServerOptions* options, std::string* error)
{
    std::vector<std::pair<const OptionSpec*, std::string>> given;
    std::set<std::string> seen;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") return ParseOutcome::help;
        const OptionSpec* option = FindOption(arg);
        if (!option) {
            *error = "unknown argument: " + arg;
            return ParseOutcome::error;
        }
        if (!option->repeatable && !seen.insert(arg).second) {
            *error = arg + " given twice";
            return ParseOutcome::error;
        }
        if (i + 1 == args.size()) {
            *error = arg + " needs a value";
            return ParseOutcome::error;
        }
        given.emplace_back(option, args[++i]);
    }
    // The file first, so that every other option given overrides it.
    std::stable_partition(given.begin(), given.end(),
                          [](const auto& option) { return option.first->apply == ReadConfigFile; });
    for (const auto& [option, value] : given) {
        std::string reason;
        if (!option->apply(value, options, &reason)) {
            *error = std::string(option->name) + ": " + reason;
            return ParseOutcome::error;
        }
    }
    for (const auto& [path, status] : options->statuses) {
        if (!options->served_files.count(path)) {
            *error = "--status " + path + " has no --serve for the same PATH";
            return ParseOutcome::error;
        }
    }
    if (options->banks.empty()) DefaultBank(options);
    return ParseOutcome::run;
}

bool ApplyFileOption(const std::string& name, const std::string& value, ServerOptions* options, std::string* error)
{
    const OptionSpec* option = FindOption("--" + name);
    if (!option || !option->in_file) {
        *error = "unknown setting \"" + name + "\" in [server]";
        return false;
    }
    std::string reason;
    if (!option->apply(value, options, &reason)) {
        *error = name + ": " + reason;
        return false;
    }
    return true;
}

BankOptions& DefaultBank(ServerOptions* options)
{
    for (BankOptions& bank : options->banks) {
        if (bank.is_default) return bank;
    }
    BankOptions& made = options->banks.emplace_back();
    made.name = "default";
    made.is_default = true;
    return made;
}
