// The HTTPS certificate kinds the downloader's leniency is tested with.
#include <gtest/gtest.h>

#include "demo_release.h"
#include "server_process.h"
#include "test_client.h"

namespace {

TEST(CertificateTest, EachKindReadsAsNamedAndStillServes)
{
    const struct {
        const char* kind;
        bool expired;
        bool names_bank_host;
    } cases[] = {
        {"self-signed", false, true},
        {"expired", true, true},
        {"wrong-name", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(), {"--cert", c.kind});
        const ServerProcess server(args);
        ASSERT_TRUE(server.listening()) << server.Stderr();
        const CertificateFacts facts = PeerCertificate(server.ports().https);
        ASSERT_TRUE(facts.received);
        EXPECT_EQ(facts.expired, c.expired);
        EXPECT_EQ(facts.names_bank_host, c.names_bank_host);
        for (Route route : {Route::https, Route::tunnel}) {
            EXPECT_EQ(Fetch(server.ports(), {route, std::string(kDownloadPath) + "/Digest.xml"}).status, 200u);
        }
    }
}

}  // namespace
