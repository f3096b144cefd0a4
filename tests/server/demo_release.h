// The release every test server publishes, written once per test program,
// and the demo deployment's envelope for the version query.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server_process.h"

constexpr char kBank[] = "811";
constexpr char kVersion[] = "1.0.0.3";
constexpr char kUpdateMode[] = "1";
constexpr char kDownloadUrl[] = "https://ebank.aldmoor.example/download/811";
constexpr char kDownloadPath[] = "/download/811";
constexpr char kPluginPath[] = "Plugins";
constexpr char kPluginName[] = "x.dll";
constexpr char kTopLevelName[] = "WebUI_811.exe";
// Named in UTF-8 on disk; the downloader asks for it in GBK (B0 EF D6 FA),
// and the second name's GBK form (81 5C) holds a byte that reads as "\".
constexpr char kChineseName[] = "帮助.txt";
constexpr char kBackslashTrailName[] = "乗.txt";
// Lies next to the download folder, reachable only by escaping it.
constexpr char kSecret[] = "SECRET-OUTSIDE-THE-DOWNLOAD-AREA";

struct DemoRelease {
    std::string release_dir;
    // Files of the download area by relative path ("Plugins/x.dll") and content.
    std::vector<std::pair<std::string, std::string>> files;

    std::string Content(const std::string& relative_path) const;
};

const DemoRelease& TheDemoRelease();

// --release and --deploy for the demo release and deployment.
std::vector<std::string> DemoServerArgs();

std::string DemoDeployDir();

// A release of `bank` ("%x") and `version` below DIR/name, as the publishing
// tool lays it out, downloads at https://HOST/download/BANK; its download
// folder holds Digest.xml with ReleaseDigest(version). The release folder.
std::string WriteRelease(const TempDir& dir, const std::string& name, const std::string& bank,
                         const std::string& version, const std::string& host);
std::string ReleaseDigest(const std::string& version);

// `message` sealed with the demo keys, as envelope text.
std::string Seal(const std::string& message);

// The query string of a version query carrying Seal(message).
std::string VersionQueryOf(const std::string& message);

// Opens an answer as the downloader does: its length rounded down to even.
std::optional<std::string> OpenAnswer(const std::string& body);

// The "v" of an answer that opens and holds a JSON object; nothing otherwise.
std::optional<std::string> AnsweredVersion(const std::string& body);
