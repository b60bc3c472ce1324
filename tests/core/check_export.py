#!/usr/bin/env python3
"""Reads an exported workbook (openpyxl) or archive CSV file (csv module)
back and compares it with the reports of the same archive, in DIR
(archive.txt with COLUMNS on, abnormal.txt, params.txt; code page 1251),
the summary's CSV files (days.csv, months.csv),
info.txt ("name<TAB>value" lines, "\\n" for a line break, "*date*" for a
date-time) and title.txt (the printed pages' title, UTF-8). Prints each
difference; exit status 1 when there is one.

  check_export.py workbook BOOK DIR COLUMNS CAPTION1 CAPTION2 ROWS_PER_SHEET
  check_export.py csv FILE DIR"""

import csv
import datetime
import math
import struct
import sys

problems = []
MS = datetime.timedelta(milliseconds=1)


def expect(ok, what):
    if not ok:
        problems.append(what)
    return ok


def report(path):
    with open(path, encoding="cp1251", newline="") as f:
        return f.read().split("\n")[:-1]


def when(date, time):
    return datetime.datetime.strptime(date + " " + time, "%d.%m.%Y %H:%M:%S")


def situation(text):
    return text.replace("_", " ").strip()


def same_number(value, text):
    """Whether a value shows the report's number; NaN and infinity, which a
    workbook cannot hold as numbers, as the same text."""
    r = float(text.replace(",", ".").rstrip("%"))
    if not math.isfinite(r):
        return repr(float(value)) == repr(r)
    return isinstance(value, (int, float)) and abs(value - r) <= 0.5e-4 * (1 + abs(r) * 1e-11)


def archive_rows(path, columns):
    rows = []
    for words in (line.split() for line in report(path)):
        rows.append({c: when(words.pop(0), words.pop(0)) if c in ("start", "end") else words.pop(0)
                     for c in columns})
    return rows


def params_rows(path):
    rows, group = [], None
    for line in report(path) + ["end"]:
        if line.startswith("       "):
            rows.append((group, line[7:]))
        else:
            if group is not None and (not rows or rows[-1][0] != group):
                rows.append((group, None))
            group = line
    return rows


def check_printing(ws, title, top_rows="$1:$1"):
    """Every sheet prints as the program's pages: landscape A4, all columns
    across one page (fitToWidth left out is 1) and as many pages down as it
    takes, the caption row (and a heading above it) on each, the page
    number in the footer and the pages' title in the header, as much as its
    255 characters ("&C" and each '&' doubled included) hold."""
    setup, header = ws.page_setup, ws.oddHeader.center.text or ""
    got = (setup.orientation, str(setup.paperSize), ws.sheet_properties.pageSetUpPr.fitToPage, setup.fitToWidth or 1,
           setup.fitToHeight, ws.print_title_rows, ws.oddFooter.center.text)
    expect(got == ("landscape", "9", True, 1, 0, top_rows, "Страница &P из &N"), "%s prints %s" % (ws.title, got))
    shown = header.replace("&&", "&")
    expect("&" not in header.replace("&&", "") and len(header) <= 253 and title.startswith(shown)
           and (shown == title or len(header) >= 252), "%s header %r" % (ws.title, header))


def check_workbook(book, folder, columns, caption1, caption2, per_sheet):
    import openpyxl
    from openpyxl.utils import get_column_letter

    wb = openpyxl.load_workbook(book)
    columns = columns.split(",") if columns else []
    names = {"number": "№", "first": caption1, "second": caption2, "start": "Начало интервала",
             "end": "Конец интервала", "time": "Время архивирования", "abnormal": "Нештатная ситуация"}
    sheets = []
    with open(folder + "/title.txt", encoding="utf-8") as f:
        title = f.read().rstrip("\n")

    def table(base, captions, rows, check_row):
        rows = rows if captions else []
        for k in range(max(1, -(-len(rows) // per_sheet))):
            name = base if k == 0 else "%s (%d)" % (base, k + 1)
            sheets.append(name)
            if not expect(name in wb.sheetnames, "no sheet " + name):
                continue
            ws, here = wb[name], rows[k * per_sheet:(k + 1) * per_sheet]
            check_printing(ws, title)
            if not captions:  # no column switched on
                expect(ws.max_row == 1 and ws.max_column == 1, name + " is not empty")
                continue
            expect([c.value for c in ws[1]] == captions, "%s captions %s" % (name, [c.value for c in ws[1]]))
            expect(ws.freeze_panes == "A2", name + " header not frozen")
            ref = "A1:%s%d" % (get_column_letter(len(captions)), len(here) + 1)
            expect(ws.auto_filter.ref == ref, "%s filter %s, not %s" % (name, ws.auto_filter.ref, ref))
            for i, caption in enumerate(captions):
                width = ws.column_dimensions[get_column_letter(i + 1)].width
                expect(width >= len(caption), "%s column %d narrower than its caption" % (name, i + 1))
            expect(ws.max_row == len(here) + 1, "%s has %d rows" % (name, ws.max_row))
            for r, want in enumerate(here):
                check_row("%s row %d" % (name, r + 2), list(ws[r + 2]), want)

    def archive_row(where, cells, want):
        for cell, column in zip(cells, columns):
            value, text, numeric = cell.value, want[column], cell.data_type == "n"
            if column == "number":
                ok = value == int(text) and numeric
            elif column in ("first", "second"):
                ok = same_number(value, text) and (cell.number_format == "0.0000" or not numeric)
            elif column in ("start", "end"):
                ok = cell.is_date and abs(value - text) < MS
            elif column == "time":
                ok = "%" in cell.number_format and same_number(value * 100, text)
            else:
                ok = value == (situation(text) or None)
            expect(ok, "%s %s %r" % (where, column, value))

    def abnormal_row(where, cells, want):
        n, text, d1, t1, d2, t2 = want.split()
        expect([c.value for c in cells[:2]] == [int(n), situation(text)], where)
        for cell, moment in ((cells[2], when(d1, t1)), (cells[3], when(d2, t2))):
            expect(cell.is_date and abs(cell.value - moment) < MS, where + " time")

    def params_row(where, cells, want):
        expect((cells[0].value, cells[1].value) == want, "%s %r" % (where, [c.value for c in cells]))

    table("Архив измерений", [names[c] for c in columns], archive_rows(folder + "/archive.txt", columns), archive_row)
    table("Нештатные ситуации", ["№", "Нештатная ситуация", "Начало нештатной ситуации", "Конец нештатной ситуации"],
          report(folder + "/abnormal.txt"), abnormal_row)
    table("Параметры", ["Группа", "Параметр"], params_rows(folder + "/params.txt"), params_row)
    for name, path in (("Сводка по суткам", "/days.csv"), ("Сводка по месяцам", "/months.csv")):
        sheets.append(name)
        if expect(name in wb.sheetnames, "no sheet " + name):
            check_printing(wb[name], title, "$1:$2")
            check_summary(wb[name], folder + path)
    expect(wb.sheetnames == sheets + ["Сведения"], "sheets %s" % wb.sheetnames)
    check_printing(wb["Сведения"], title)
    got = {row[0].value: row[1] for row in wb["Сведения"].iter_rows(min_row=2)}
    with open(folder + "/info.txt", encoding="utf-8") as f:
        for name, value in (line.rstrip("\n").split("\t") for line in f):
            cell = got.get(name)
            value = value.replace("\\n", "\n")
            ok = cell is not None and (cell.is_date if value == "*date*" else str(cell.value) == value)
            expect(ok, "%s is %r" % (name, cell and cell.value))


def check_summary(ws, path):
    """A summary sheet holds the rows of the summary's CSV file under a
    heading naming the sheet and the reporting hour (that of the periods'
    starts): the same bounds as date-times, the same numbers, an empty cell
    for no value."""
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.DictReader(f))
    heading = ws["A1"].value or ""
    if rows:
        hour = datetime.datetime.fromisoformat(rows[0]["start"]).hour
        expect(heading.startswith("%s, отчетный час %d, с " % (ws.title, hour)), "%s heading %r" % (ws.title, heading))
    expect(ws.freeze_panes == "A3", "%s caption row not frozen" % ws.title)
    captions = [c.value for c in ws[2]]
    expect(captions[:3] == ["Начало", "Конец", "Данные"], "%s captions %s" % (ws.title, captions))
    fields = {"Часов измерения": "hours_covered", "Часов без НС": "hours_free", "Часов без записей": "hours_missing",
              "Нештатных ситуаций": "situations", "Искаженных записей": "damaged"}
    # Each value's columns start with its sum, its mean or its first total.
    value = 0
    for i, caption in enumerate(captions[3:], 3):
        figure = caption.rsplit(": ", 1)[-1]
        if figure in ("сумма", "среднее", "в начале"):
            value += 1
        suffix = {"сумма": "", "среднее": "", "разность": "", "наименьшее": "_min", "наибольшее": "_max"}
        if value and figure in suffix:
            fields[i] = "value%d%s" % (value, suffix[figure])
    expect(ws.max_row == len(rows) + 2, "%s has %d rows, not %d" % (ws.title, ws.max_row - 2, len(rows)))
    for r, want in enumerate(rows):
        cells = list(ws[r + 3])
        where = "%s row %d" % (ws.title, r + 3)
        for cell, moment in ((cells[0], want["start"]), (cells[1], want["end"])):
            expect(cell.is_date and abs(cell.value - datetime.datetime.fromisoformat(moment)) < MS, where + " time")
        expect(cells[2].value == ("полные" if want["complete"] == "1" else "неполные"), where + " complete")
        for i, (cell, caption) in enumerate(zip(cells, captions)):
            field = fields.get(i, fields.get(caption))
            if field is None:
                continue
            text = want[field] if field in want else ""
            ok = cell.value is None if text == "" else same_number(cell.value, text)
            expect(ok, "%s %s %r, not %r" % (where, caption, cell.value, text))


def check_csv(path, folder):
    with open(path, "rb") as f:
        expect(f.read(3) == b"\xef\xbb\xbf", "no byte-order mark")
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f, strict=True))
    expect(rows[0] == ["number", "start", "end", "value1", "value2", "archiving_percent", "abnormal_code",
                       "abnormal_text"], "header %s" % rows[0])
    want = archive_rows(folder + "/archive.txt", ["number", "first", "second", "start", "end", "time", "abnormal"])
    expect(len(rows) == len(want) + 1, "%d rows, not %d" % (len(rows) - 1, len(want)))
    single = lambda text: struct.unpack("f", struct.pack("f", float(text)))[0]  # the float a field stands for
    for row, w in zip(rows[1:], want):
        expect(row[0] == w["number"], "row %s number" % row[0])
        expect([datetime.datetime.fromisoformat(t) for t in row[1:3]] == [w["start"], w["end"]], "row %s" % row[0])
        expect(same_number(single(row[3]), w["first"]) and same_number(single(row[4]), w["second"]), "row " + row[0])
        expect(same_number(float(row[5]), w["time"]), "row %s percent %s" % (row[0], row[5]))
        expect(row[7] == situation(w["abnormal"]) and (row[6] == "0") == (row[7] == ""), "row %s situation" % row[0])


if __name__ == "__main__":
    if sys.argv[1] == "workbook":
        check_workbook(*sys.argv[2:7], int(sys.argv[7]))
    else:
        check_csv(*sys.argv[2:4])
    print("\n".join(problems[:20]))
    sys.exit(1 if problems else 0)
