#!/usr/bin/python3
"""Writes one table the way business systems export it, in every kind the
reader tests compare item for item: a real .html/.csv/.xlsx, and the
"Excel" files that are HTML, XML Spreadsheet 2003 or separated text inside,
in UTF-8 and in GBK.

    python3 make_exports.py

Needs python3-openpyxl.
"""
import os

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))

# (item, value as the system prints it, value as a spreadsheet number or None)
ROWS = [
    ("华北区", "1234.5", 1234.5),
    ("华东 区", "88", 88),
    ("华南区", "¥1,234.50", None),
    ("西北区", "-7", -7),
    ("东北区", "12.5%", None),
]
HEADER = ("项目", "金额")


def rows_for(encoding):
    # GBK has no half-width yen; Chinese systems write the full-width one.
    if encoding == "gbk":
        return [(n, v.replace("¥", "￥"), x) for n, v, x in ROWS]
    return ROWS


def html(encoding):
    charset = "gb2312" if encoding == "gbk" else "utf-8"
    cells = "".join("<tr><td>%s</td><td>%s</td></tr>\r\n" % (n, v) for n, v, _ in rows_for(encoding))
    return ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=%s"></head>\r\n'
            '<body><table border="1">\r\n<tr><th>%s</th><th>%s</th></tr>\r\n%s</table></body></html>\r\n'
            % (charset, HEADER[0], HEADER[1], cells))


def csv(encoding, separator):
    lines = [separator.join(HEADER)]
    for n, v, _ in rows_for(encoding):
        lines.append(separator.join([n, '"%s"' % v if "," in v else v]))
    return "\r\n".join(lines) + "\r\n"


def xml2003(encoding):
    declared = "gb2312" if encoding == "gbk" else "UTF-8"
    rows = ['<Row><Cell><Data ss:Type="String">%s</Data></Cell>'
            '<Cell><Data ss:Type="String">%s</Data></Cell></Row>' % HEADER]
    for n, v, x in rows_for(encoding):
        value = ('<Data ss:Type="Number">%g</Data>' % x
                 if x is not None else '<Data ss:Type="String">%s</Data>' % v)
        rows.append('<Row><Cell><Data ss:Type="String">%s</Data></Cell><Cell>%s</Cell></Row>' % (n, value))
    return ('<?xml version="1.0" encoding="%s"?>\r\n<?mso-application progid="Excel.Sheet"?>\r\n'
            '<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"\r\n'
            ' xmlns:o="urn:schemas-microsoft-com:office:office"\r\n'
            ' xmlns:x="urn:schemas-microsoft-com:office:excel"\r\n'
            ' xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">\r\n'
            '<Styles><Style ss:ID="Default" ss:Name="Normal"><Font ss:FontName="宋体"/></Style></Styles>\r\n'
            '<Worksheet ss:Name="报表"><Table ss:ExpandedColumnCount="2" ss:ExpandedRowCount="%d">\r\n'
            '<Column ss:Width="80"/>\r\n%s\r\n</Table></Worksheet>\r\n'
            '<Worksheet ss:Name="其他"><Table><Row><Cell><Data ss:Type="String">x</Data></Cell></Row></Table></Worksheet>\r\n'
            '</Workbook>\r\n' % (declared, len(ROWS) + 1, "\r\n".join(rows)))


def write(name, text, encoding, prefix=b""):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(prefix + text.encode(encoding))


def main():
    write("table.html", html("utf-8"), "utf-8")
    write("table_gbk.html", html("gbk"), "gbk")
    write("table.csv", csv("utf-8", ","), "utf-8", b"\xef\xbb\xbf")
    write("table_gbk.csv", csv("gbk", ","), "gbk")
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(HEADER)
    for n, v, x in ROWS:
        ws.append([n, x if x is not None else v])
    wb.save(os.path.join(HERE, "table.xlsx"))
    # The disguised kinds, as report libraries and "导出 Excel" buttons write them.
    write("html_utf8.xls", html("utf-8"), "utf-8", b"\xef\xbb\xbf\r\n  ")
    write("html_gbk.xls", html("gbk"), "gbk")
    write("html_gbk.xlsx", html("gbk"), "gbk", b"\r\n")
    write("xml2003_utf8.xls", xml2003("utf-8"), "utf-8", b"\xef\xbb\xbf")
    write("xml2003_gbk.xls", xml2003("gbk"), "gbk", b"\r\n")
    write("tsv_gbk.xls", csv("gbk", "\t"), "gbk")
    write("csv_utf8.xls", csv("utf-8", ","), "utf-8", b"\xef\xbb\xbf")
    write("csv_utf8.xlsx", csv("utf-8", ","), "utf-8")


if __name__ == "__main__":
    main()
