#include "demo_release.h"

#include <filesystem>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "protocol/deploy_keys.h"
#include "protocol/envelope.h"
#include "server_process.h"

namespace fs = std::filesystem;

namespace {

const DeployEnvelopeKeys& DemoKeys()
{
    static const DeployEnvelopeKeys keys = [] {
        DeployEnvelopeKeys loaded;
        std::string error;
        EXPECT_TRUE(LoadEnvelopeKeys(std::string(PELLIS_SOURCE_DIR) + "/deploy/demo", &loaded, &error)) << error;
        return loaded;
    }();
    return keys;
}

// A component with the bytes that trip naive servers: zero, CR, LF, high bytes.
std::string BinaryBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 13) % 256);
    return bytes;
}

DemoRelease WriteDemoRelease(const TempDir& dir)
{
    DemoRelease release;
    release.release_dir = dir.path() + "/release";
    const std::string plugin = std::string(kPluginPath) + "/" + kPluginName;
    release.files = {
        {"Digest.xml", "<?xml version=\"1.0\"?>\n<Digest><FileInfo/></Digest>\n"},
        {std::string("Digest_") + kBank + ".xml", "<?xml version=\"1.0\"?>\n<Digest><FileInfo/></Digest>\r\n"},
        {plugin, BinaryBytes(3000)},
        {kTopLevelName, BinaryBytes(1500)},
        {std::string(kPluginPath) + "/" + kChineseName, "help"},
        {std::string(kPluginPath) + "/" + kBackslashTrailName, "trail byte"},
    };
    for (const auto& [path, bytes] : release.files) dir.Write("release/download/" + path, bytes);
    dir.Write("release/release.json", std::string("{\"bank\":\"") + kBank + "\",\"v\":\"" + kVersion +
                                          "\",\"update\":\"" + kUpdateMode + "\",\"url\":\"" + kDownloadUrl + "\"}\n");
    dir.Write("release/secret.txt", kSecret);
    fs::create_symlink("../secret.txt", release.release_dir + "/download/link-out");
    fs::create_directory_symlink("..", release.release_dir + "/download/dir-out");
    return release;
}

}  // namespace

std::string DemoRelease::Content(const std::string& relative_path) const
{
    for (const auto& [path, bytes] : files) {
        if (path == relative_path) return bytes;
    }
    ADD_FAILURE() << "no file " << relative_path << " in the demo release";
    return {};
}

const DemoRelease& TheDemoRelease()
{
    static const TempDir dir;
    static const DemoRelease release = WriteDemoRelease(dir);
    return release;
}

std::vector<std::string> DemoServerArgs()
{
    return {"--release", TheDemoRelease().release_dir, "--deploy", DemoDeployDir()};
}

std::string DemoDeployDir()
{
    return std::string(PELLIS_SOURCE_DIR) + "/deploy/demo";
}

std::string WriteRelease(const TempDir& dir, const std::string& name, const std::string& bank,
                         const std::string& version, const std::string& host)
{
    dir.Write(name + "/download/Digest.xml", ReleaseDigest(version));
    dir.Write(name + "/release.json", "{\"bank\":\"" + bank + "\",\"v\":\"" + version +
                                          "\",\"update\":\"1\",\"url\":\"https://" + host + "/download/" + bank +
                                          "\"}\n");
    return dir.path() + "/" + name;
}

std::string ReleaseDigest(const std::string& version)
{
    return "<?xml version=\"1.0\"?>\n<Manifest Version=\"" + version + "\"><FileInfo/></Manifest>\n";
}

std::string Seal(const std::string& message)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(message.data());
    size_t capacity = 0;
    SealEnvelope(DemoKeys().View(), bytes, message.size(), nullptr, &capacity);
    std::string text(capacity, '\0');
    EXPECT_EQ(SealEnvelope(DemoKeys().View(), bytes, message.size(), text.data(), &capacity), 0);
    text.resize(capacity);
    return text;
}

std::string VersionQueryOf(const std::string& message)
{
    return "reqtype=1&data=" + Seal(message);
}

std::optional<std::string> AnsweredVersion(const std::string& body)
{
    const std::optional<std::string> message = OpenAnswer(body);
    if (!message) return std::nullopt;
    Json::Value answer;
    std::istringstream in(*message);
    std::string errors;
    if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &answer, &errors) || !answer.isObject() ||
        !answer["v"].isString()) {
        return std::nullopt;
    }
    return answer["v"].asString();
}

std::optional<std::string> OpenAnswer(const std::string& body)
{
    const size_t length = body.size() & ~size_t{1};
    std::vector<uint8_t> message(length + 1, 0);
    size_t capacity = length;
    if (OpenEnvelope(DemoKeys().View(), body.data(), length, message.data(), &capacity) != 0) return std::nullopt;
    return std::string(message.begin(), message.begin() + capacity);
}
