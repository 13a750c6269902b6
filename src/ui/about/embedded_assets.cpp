#include "ui/about/embedded_assets.h"

#include "ui/about/embedded_hex.h"

// QrImageHex and HandCursorHex are defined in the source generated from
// assets/ at build time (assets/embed_hex.cmake).

namespace qh {

std::optional<QByteArray> QrImageBytes() { return DecodeHex(QrImageHex(), kQrImageBytes); }

std::optional<QByteArray> HandCursorBytes() { return DecodeHex(HandCursorHex(), kHandCursorBytes); }

}  // namespace qh
