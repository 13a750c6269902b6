#pragma once
// The named character references of HTML5 (those written with their ";").
#include <QStringView>
#include <span>

namespace qh {

struct HtmlEntity {
  QStringView Name;   // without "&" and ";"
  QStringView Value;  // one or two characters
};

// Every reference, sorted by name in code unit order.
std::span<const HtmlEntity> HtmlEntities();

}  // namespace qh
