// The cross-built libraries link into a 32-bit program and work under Wine:
// one known answer from each (the digests are those of `sha1sum`).
#include <gtest/gtest.h>

#include <json/json.h>
#include <mbedtls/sha1.h>
#include <openssl/sha.h>
#include <tinyxml.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

std::string Hex(const unsigned char* bytes, size_t n)
{
    std::string out;
    char two[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        out += two;
    }
    return out;
}

const char kAbcSha1[] = "a9993e364706816aba3e25717850c26c9cd0d89d";

TEST(Dependencies, OpenSslSha1)
{
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>("abc"), 3, digest);
    EXPECT_EQ(Hex(digest, sizeof digest), kAbcSha1);
}

TEST(Dependencies, MbedTlsSha1)
{
    unsigned char digest[20];
    ASSERT_EQ(mbedtls_sha1_ret(reinterpret_cast<const unsigned char*>("abc"), 3, digest), 0);
    EXPECT_EQ(Hex(digest, sizeof digest), kAbcSha1);
}

TEST(Dependencies, JsonCppReader)
{
    Json::Reader reader;
    Json::Value root;
    ASSERT_TRUE(reader.parse(R"({"v":"1.0.0.3","url":"https://x.example/d","update":"1"})", root));
    EXPECT_EQ(root["v"].asString(), "1.0.0.3");
    EXPECT_EQ(root["update"].asString(), "1");
}

TEST(Dependencies, TinyXmlParse)
{
    TiXmlDocument doc;
    doc.Parse("<FileInfo><File Path=\"Plugins\" FileName=\"a.dll\"/></FileInfo>");
    ASSERT_FALSE(doc.Error());
    const TiXmlElement* file = doc.RootElement()->FirstChildElement("File");
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file->Attribute("FileName"), "a.dll");
}

}  // namespace
