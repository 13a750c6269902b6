#pragma once
// The GET request shared by the version check and the download, and a wait
// on its reply that keeps the window responsive.
#include <QNetworkRequest>
#include <QString>
#include <functional>

class QNetworkReply;

namespace qh {

inline constexpr char kUpdateUserAgent[] = "QingHeChart/1.0";

// A plain GET of url with our user agent that bypasses every cache and asks
// for the bytes as stored (no transfer compression).
QNetworkRequest UpdateRequest(const QString& url);

enum class WaitEnd { Stopped, Finished, Stalled };

// Runs a local event loop until the reply finishes, `onData` (called after
// new headers or body bytes) returns true, or nothing arrived for stallMs.
WaitEnd WaitForReply(QNetworkReply& reply, int stallMs, const std::function<bool()>& onData);

// The HTTP status of a reply, or 0 when no response header has arrived.
int HttpStatusOf(const QNetworkReply& reply);

}  // namespace qh
