#pragma once
// HTML exports: the first <table> of the file that holds a valid two-column
// table (item, value) fills the item table. Each decision is traced to the
// diagnostic log when one is given.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/table_choice.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace qh {

class DiagLog;

// Judges one table; on success table holds its items, on failure it is
// empty and LastError/LastHint say why. Rows are numbered from 1 over every
// <tr>, skipped ones included. A table of more items than the limits admit
// is refused at the first item too many. choice, when not the default,
// picks the part of each table to judge.
bool ParseHtmlTable(int tableNo, QStringView tableText, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log, const TableChoice& choice = {});

// Tries the tables of decoded text in document order, until one passes or
// one is over the limits. On success LastHint names the table and its item
// count.
bool ParseHtmlText(QStringView html, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                   const TableChoice& choice = {});

// The same on valid UTF-8, read in place: only the cells' text is decoded.
bool ParseHtmlUtf8(QByteArrayView html, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                   const TableChoice& choice = {});

// The same on bytes that are not valid UTF-8, read in place as code page
// 936: only the cells' text is decoded.
bool ParseHtmlCodePage936(QByteArrayView html, const LoadLimits& limits, ItemTable& table,
                          DiagLog* log, const TableChoice& choice = {});

// The bytes of an HTML file: UTF-16 after its byte order mark, UTF-8 when
// they are valid UTF-8 (a byte order mark kept: it lies before the first
// tag), else code page 936. UTF-16 is decoded whole and the bytes are let
// go as soon as its text exists; the others are read in place.
bool ParseHtmlBytes(QByteArray& bytes, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                    const TableChoice& choice = {});

}  // namespace qh
