#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ports/http.h"
#include "ports/workspace.h"

namespace strandel {

// Looks for a newer version of the program in a small JSON manifest on the web and tells the
// user. A namespace of static operations: nothing about checks is remembered between calls.
class UpdateChecker {
 public:
  UpdateChecker() = delete;

  // The decoded manifest: one per check, passed by value.
  struct VersionInfo {
    std::string version;
    std::optional<int64_t> build;  // carried, never decided on
    std::string downloadUrl;       // stays text until the user asks for the download
    std::optional<std::string> releaseNotes;

    bool operator==(const VersionInfo&) const = default;

    // A complete record, or none when the manifest is refused: not JSON, not an object,
    // "version" or "downloadUrl" missing or not a string, "build" present and not an
    // integer that fits in int64, "releaseNotes" present and not a string. Null counts as
    // absent for the two optional members. Other members are ignored; of duplicate members
    // the last one counts.
    //
    // "build" follows the JSON number's value, not its spelling: 3, 3.0 and 3e0 all give 3;
    // 3.5, 1e19 and -0.5 refuse. Documents nested deeper than kMaxNestingDepth or longer
    // than kMaxDocumentBytes are refused without being parsed.
    static std::optional<VersionInfo> decode(std::string_view data);

    static constexpr int kMaxNestingDepth = 64;
    static constexpr size_t kMaxDocumentBytes = 1024 * 1024;
  };

  // The manifest's address; the same for the life of the process.
  static const URL& checkURL();

  // Starts a check and returns at once; the outcome follows on the main thread. A manual
  // check always ends in exactly one alert; a silent one speaks only of a newer version.
  // Main thread only.
  static void check(bool manual);

  // The version the running program reports for itself, read afresh at every call:
  // "CFBundleShortVersionString" of the main bundle, "1.0.0" when that is missing or not
  // text.
  static std::string currentVersion();

  // Negative, zero or positive as `a` is older than, the same as or newer than `b`.
  // Runs of ASCII digits compare by their value, however long; everything else compares by
  // Unicode code point. Digit runs of equal value are equal whatever their leading zeros,
  // so "1.01" and "1.1" are the same version. Bytes that are not valid UTF-8 each stand
  // for one character between U+DC80 and U+DCFF, so any byte string has a definite order.
  static int compareVersions(std::string_view a, std::string_view b);
  // Whether the manifest's version is strictly greater than the current one.
  static bool isNewer(std::string_view manifestVersion, std::string_view currentVersion);

  // Whether the download button may open this address: an http or https URL with a host
  // ("https://example.org/x.zip"); "http:/etc/passwd" and "http:///x" have none.
  static bool isDownloadScheme(std::string_view url);

  // Test seams: another manifest address (a local server) and a shorter request time-out.
  // None restores the real value. Main thread only.
  static void setCheckURLForTesting(std::optional<URL> url);
  static void setRequestTimeoutForTesting(std::optional<double> seconds);

  static constexpr double kRequestTimeout = 10.0;

 private:
  static void decide(const std::optional<Bytes>& body, const std::optional<PlatformError>& error,
                     bool manual);
  static void prompt(const VersionInfo& info, const std::string& currentVersion);
  static void showAlert(const std::string& title, const std::string& message);
  static void openDownload(const std::string& text);
};

}  // namespace strandel
