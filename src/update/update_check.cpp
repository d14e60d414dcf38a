#include <memory>
#include <utility>

#include "localization/localization.h"
#include "localization/string_format.h"
#include "ports/platform.h"
#include "update/update_checker.h"

namespace strandel {

namespace {

constexpr const char* kCheckURLText =
    "https://updates.quillet.app/Harrowlark/strandel/version.json";
constexpr const char* kDefaultVersion = "1.0.0";

// Test seams; read and written on the main thread only.
std::optional<URL>& checkURLOverride() {
  static std::optional<URL> url;
  return url;
}
std::optional<double>& timeoutOverride() {
  static std::optional<double> seconds;
  return seconds;
}

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

const URL& UpdateChecker::checkURL() {
  static const URL url{kCheckURLText};
  return url;
}

void UpdateChecker::setCheckURLForTesting(std::optional<URL> url) {
  checkURLOverride() = std::move(url);
}

void UpdateChecker::setRequestTimeoutForTesting(std::optional<double> seconds) {
  timeoutOverride() = seconds;
}

std::string UpdateChecker::currentVersion() {
  auto entry = platform().bundle->infoDictionaryValue("CFBundleShortVersionString");
  if (entry) {
    if (const auto* text = std::get_if<std::string>(&*entry)) return *text;
  }
  return kDefaultVersion;
}

bool UpdateChecker::isDownloadScheme(std::string_view url) {
  size_t colon = url.find(':');
  if (colon == std::string_view::npos) return false;
  std::string scheme;
  for (char c : url.substr(0, colon)) scheme += asciiLower(c);
  if (scheme != "http" && scheme != "https") return false;
  // A web address names its server: "http:/etc/passwd" is a path, not a page.
  std::string_view rest = url.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return false;
  std::string_view authority = rest.substr(2, rest.find_first_of("/?#", 2) - 2);
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  // A bracketed IPv6 host holds colons of its own; an unclosed or empty pair of brackets
  // gives no host.
  if (!authority.empty() && authority.front() == '[') {
    size_t close = authority.find(']');
    return close != std::string_view::npos && close > 1;
  }
  return !authority.substr(0, authority.find(':')).empty();
}

void UpdateChecker::check(bool manual) {
  URLRequest request;
  request.url = checkURLOverride().value_or(checkURL());
  request.method = "GET";
  request.cachePolicy = CachePolicy::reloadIgnoringLocalAndRemoteCacheData;
  request.timeoutInterval = timeoutOverride().value_or(kRequestTimeout);

  // The completion runs on the session's thread: it only hands its results to the main
  // queue. Holding the dispatch service keeps that hand-over valid however late it comes.
  std::shared_ptr<Dispatch> dispatch = platform().dispatch;
  platform().http->dataTask(
      request, [dispatch, manual](std::optional<Bytes> body, std::optional<PlatformError> error) {
        dispatch->mainQueue().async([body = std::move(body), error = std::move(error), manual] {
          decide(body, error, manual);
        });
      });
}

void UpdateChecker::decide(const std::optional<Bytes>& body,
                           const std::optional<PlatformError>& error, bool manual) {
  // The error's own description is never shown.
  if (!error && body) {
    std::string_view data(reinterpret_cast<const char*>(body->data()), body->size());
    if (auto info = VersionInfo::decode(data)) {
      std::string current = currentVersion();
      if (isNewer(info->version, current)) {
        prompt(*info, current);
      } else if (manual) {
        showAlert(L("update.latestTitle"), stringWithFormat(L("update.latestMessage"), {current}));
      }
      return;
    }
  }
  if (manual) showAlert(L("update.checkFailedTitle"), L("update.checkFailedMessage"));
}

void UpdateChecker::prompt(const VersionInfo& info, const std::string& currentVersion) {
  platform().application->activateIgnoringOtherApps(true);
  std::unique_ptr<Alert> alert = platform().alerts->makeAlert();
  alert->setMessageText(stringWithFormat(L("update.newVersionTitle"), {info.version}));
  std::string informative =
      stringWithFormat(L("update.newVersionMessage"), {currentVersion, info.version});
  if (info.releaseNotes && !info.releaseNotes->empty()) {
    informative += "\n\n";
    informative += *info.releaseNotes;
  }
  alert->setInformativeText(informative);
  alert->setAlertStyle(AlertStyle::informational);
  alert->addButtonWithTitle(L("update.downloadButton"));
  alert->addButtonWithTitle(L("update.laterButton"));
  if (alert->runModal() == kAlertFirstButtonReturn) openDownload(info.downloadUrl);
}

void UpdateChecker::openDownload(const std::string& text) {
  std::optional<URL> url = platform().urls->urlWithString(text);
  // Only web pages: a manifest must not be able to launch a local file or another
  // application's handler.
  if (!url || !isDownloadScheme(url->absoluteString)) return;
  (void)platform().workspace->openURL(*url);
}

void UpdateChecker::showAlert(const std::string& title, const std::string& message) {
  platform().application->activateIgnoringOtherApps(true);
  std::unique_ptr<Alert> alert = platform().alerts->makeAlert();
  alert->setMessageText(title);
  alert->setInformativeText(message);
  alert->setAlertStyle(AlertStyle::informational);
  alert->addButtonWithTitle(L("update.okButton"));
  (void)alert->runModal();
}

}  // namespace strandel
