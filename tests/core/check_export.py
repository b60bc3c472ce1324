#!/usr/bin/env python3
"""Reads an exported workbook or CSV file back as a spreadsheet user's tools
do (openpyxl, the csv module) and compares it with the report files of the
same archive. Prints each difference; exit status 1 when there is one.

  check_export.py workbook BOOK DIR COLUMNS CAPTION1 CAPTION2 ROWS_PER_SHEET
  check_export.py csv VIEW FILE REPORT

DIR holds archive.txt, abnormal.txt and params.txt (the reports, code page
1251; the archive one with COLUMNS on) and info.txt (UTF-8 "name<TAB>value"
lines, "*date*" for a date-time)."""

import csv
import datetime
import math
import struct
import sys

problems = []


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
    """Whether a cell or field shows the report's number (a damaged
    record's NaN or infinity: a text cell, as a workbook holds no such
    number)."""
    r = float(text.replace(",", ".").rstrip("%"))
    if not math.isfinite(r):
        return repr(float(value)) == repr(r)
    return isinstance(value, (int, float)) and abs(value - r) <= 0.5e-4 * (1 + abs(r) * 1e-11)


def archive_rows(path, columns):
    """Each report line as {column: text}."""
    rows = []
    for line in report(path):
        words, cells = line.split(), {}
        for column in columns:
            if column in ("start", "end"):
                cells[column] = when(words.pop(0), words.pop(0))
            else:
                cells[column] = words.pop(0)
        rows.append(cells)
    return rows


def params_rows(path):
    rows, group, empty = [], None, False
    for line in report(path):
        if line.startswith("       "):
            rows.append((group, line[7:]))
            empty = False
        else:
            if empty:
                rows.append((group, None))
            group, empty = line, True
    if empty:
        rows.append((group, None))
    return rows


def check_workbook(book, folder, columns, caption1, caption2, per_sheet):
    import openpyxl
    from openpyxl.utils import get_column_letter

    wb = openpyxl.load_workbook(book)
    columns = columns.split(",") if columns else []
    names = {"number": "№", "first": caption1, "second": caption2, "start": "Начало интервала",
             "end": "Конец интервала", "time": "Время архивирования", "abnormal": "Нештатная ситуация"}
    expected_sheets = []

    def table(base, captions, rows, check_row):
        """The rows of one table, over as many sheets as it takes."""
        rows = rows if captions else []
        parts = max(1, -(-len(rows) // per_sheet))
        for k in range(parts):
            name = base if k == 0 else "%s (%d)" % (base, k + 1)
            expected_sheets.append(name)
            if not expect(name in wb.sheetnames, "no sheet " + name):
                continue
            ws, here = wb[name], rows[k * per_sheet:(k + 1) * per_sheet]
            if not captions:  # no column switched on: nothing to show
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
                check_row("%s row %d" % (name, r + 2), [c for c in ws[r + 2]], want)

    def archive_row(where, cells, want):
        for cell, column in zip(cells, columns):
            value, text = cell.value, want[column]
            if column == "number":
                expect(value == int(text) and cell.data_type == "n", where + " number")
            elif column in ("first", "second"):
                numeric = cell.data_type == "n"
                expect(same_number(value, text) and (cell.number_format == "0.0000" or not numeric),
                       "%s %s %r" % (where, column, value))
            elif column in ("start", "end"):
                expect(cell.is_date and abs(value - text) < datetime.timedelta(milliseconds=1), where + " " + column)
            elif column == "time":
                expect("%" in cell.number_format and same_number(value * 100, text), "%s time %r" % (where, value))
            else:
                expect(value == (situation(text) or None), "%s situation %r" % (where, value))

    def abnormal_row(where, cells, want):
        n, text, d1, t1, d2, t2 = want.split()
        expect(cells[0].value == int(n), where + " number")
        expect(cells[1].value == situation(text), where + " situation")
        for cell, moment in ((cells[2], when(d1, t1)), (cells[3], when(d2, t2))):
            expect(cell.is_date and abs(cell.value - moment) < datetime.timedelta(milliseconds=1), where + " time")

    def params_row(where, cells, want):
        expect((cells[0].value, cells[1].value) == want, "%s %r" % (where, [c.value for c in cells]))

    table("Архив измерений", [names[c] for c in columns], archive_rows(folder + "/archive.txt", columns), archive_row)
    table("Нештатные ситуации", ["№", "Нештатная ситуация", "Начало нештатной ситуации", "Конец нештатной ситуации"],
          report(folder + "/abnormal.txt"), abnormal_row)
    table("Параметры", ["Группа", "Параметр"], params_rows(folder + "/params.txt"), params_row)
    expected_sheets.append("Сведения")
    expect(wb.sheetnames == expected_sheets, "sheets %s" % wb.sheetnames)
    with open(folder + "/info.txt", encoding="utf-8") as f:
        info = [line.rstrip("\n").split("\t") for line in f]
    got = {row[0].value: row[1] for row in wb["Сведения"].iter_rows(min_row=2)}
    for name, value in info:
        cell = got.get(name)
        if expect(cell is not None, "no " + name):
            expect(cell.is_date if value == "*date*" else str(cell.value) == value, "%s is %r" % (name, cell.value))


def single(text):
    """A CSV number as the float it stands for."""
    return struct.unpack("f", struct.pack("f", float(text)))[0]


def check_csv(view, path, report_path):
    with open(path, "rb") as f:
        raw = f.read()
    expect(raw.startswith(b"\xef\xbb\xbf"), "no byte-order mark")
    expect(raw.count(b"\r\n") >= 1, "no CRLF")
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f, strict=True))
    header, rows = rows[0], rows[1:]
    if view == "archive":
        expect(header == ["number", "start", "end", "value1", "value2", "archiving_percent", "abnormal_code",
                          "abnormal_text"], "header %s" % header)
        want = archive_rows(report_path, ["number", "first", "second", "start", "end", "time", "abnormal"])
        expect(len(rows) == len(want), "%d rows, not %d" % (len(rows), len(want)))
        for row, w in zip(rows, want):
            where = "row " + row[0]
            expect(row[0] == w["number"], where)
            expect(datetime.datetime.fromisoformat(row[1]) == w["start"], where + " start " + row[1])
            expect(datetime.datetime.fromisoformat(row[2]) == w["end"], where + " end " + row[2])
            expect(same_number(single(row[3]), w["first"]), where + " value1 " + row[3])
            expect(same_number(single(row[4]), w["second"]), where + " value2 " + row[4])
            expect(same_number(float(row[5]), w["time"]), where + " percent " + row[5])
            expect(row[7] == situation(w["abnormal"]) and (int(row[6]) == 0) == (row[7] == ""), where + " situation")
    elif view == "abnormal":
        expect(header == ["number", "code", "text", "start", "end"], "header %s" % header)
        want = [line.split() for line in report(report_path)]
        expect(len(rows) == len(want), "%d rows, not %d" % (len(rows), len(want)))
        for row, (n, text, d1, t1, d2, t2) in zip(rows, want):
            expect(row[0] == n and row[2] == situation(text) and int(row[1]) > 0, "row " + n)
            expect(datetime.datetime.fromisoformat(row[3]) == when(d1, t1), "row %s start" % n)
            expect(datetime.datetime.fromisoformat(row[4]) == when(d2, t2), "row %s end" % n)
    else:
        expect(header == ["group", "line"], "header %s" % header)
        got = [(g, l or None) for g, l in rows]
        expect(got == params_rows(report_path), "params %r" % got)


if __name__ == "__main__":
    if sys.argv[1] == "workbook":
        check_workbook(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6], int(sys.argv[7]))
    else:
        check_csv(sys.argv[2], sys.argv[3], sys.argv[4])
    for problem in problems[:20]:
        print(problem)
    sys.exit(1 if problems else 0)
