#pragma once
// Number formats and category labels of the charts. Numbers use "," for
// thousands and "." for decimals, and large values the units 万 and 亿.
#include "chart/label_options.h"
#include "data/item_table.h"

#include <QString>

namespace qh {

// Drops every trailing "," and "." so no number ends in a bare separator.
QString TrimNumberTail(QString text);

// "#,##0.##": grouped thousands, two decimals, but below 1 as many as its
// first two significant digits need (0.0058, -0.0012). Takes long double so a table total beyond
// the range of double still prints its digits.
QString FormatValue(long double value);

// Short form for value labels: 亿 from 1e8, 万 from 1e4, chosen after
// rounding (99,999,999 reads 1亿); up to four decimals below 1, more where
// the first two significant digits need them.
QString FormatCompact(long double value);

// A tick label: the compact form with the decimals of the step, so that
// neighbouring ticks read evenly stepped and distinct (0.00025, 0.0005,
// 0.00075; 7,500, 1万, 1.25万).
QString FormatTick(long double value, long double step);

// A percentage with one decimal and "%" (the pie legend).
QString FormatPercent(long double percent);

// A..Z then a..z, repeating every 52 positions; empty for 0 or less.
QString LetterLabel(int position);

// Category label of row i (1-based) on the bar chart.
QString BarItemLabel(const ItemTable& table, const LabelOptions& options, int i);

// Whether the line chart labels its points with letters: by switch, else
// when any name of the whole table is estimated wider than 118 × s pixels.
bool LineUsesLetters(const ItemTable& table, const LabelOptions& options, float scale);

// Category label of point i (1-based) on the line chart.
QString LineItemLabel(const ItemTable& table, const LabelOptions& options, int i, bool useLetters);

}  // namespace qh
