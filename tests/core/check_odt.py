#!/usr/bin/env python3
"""Checks an OpenDocument text as its readers take it.

  check_odt.py package FILE ENTRY...   the package holds these entries in
      this order, each of its XML parts is well-formed and the manifest
      lists every other part
  check_odt.py convert FILE DIR        LibreOffice (headless, a profile of
      its own in DIR) converts FILE to DIR/doc.txt and DIR/doc.pdf, and
      pdftotext the PDF to DIR/pdf.txt (pages separated by form feeds)

Prints each problem; exit status 1 when there is one."""

import os
import shutil
import subprocess
import sys
import xml.dom.minidom
import zipfile

problems = []


def package(path, entries):
    with zipfile.ZipFile(path) as z:
        if z.testzip() is not None:
            problems.append("a damaged entry: " + z.testzip())
        names = z.namelist()
        if names != entries:
            problems.append("entries %s, expected %s" % (names, entries))
        for name in names:
            if name.endswith(".xml"):
                try:
                    xml.dom.minidom.parseString(z.read(name))
                except Exception as e:  # noqa: BLE001 - any parser error is the finding
                    problems.append("%s: %s" % (name, e))
        if "META-INF/manifest.xml" in names:
            manifest = xml.dom.minidom.parseString(z.read("META-INF/manifest.xml"))
            listed = {e.getAttribute("manifest:full-path") for e in manifest.getElementsByTagName("manifest:file-entry")}
            parts = set(names) - {"mimetype", "META-INF/manifest.xml"}
            if listed != parts | {"/"}:
                problems.append("the manifest lists %s, the package holds %s" % (sorted(listed), sorted(parts)))


def convert(path, folder):
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        problems.append("no LibreOffice (soffice) on the path")
        return
    profile = "file://" + os.path.abspath(os.path.join(folder, "profile"))
    for target, name in (("txt:Text (encoded):UTF8", "doc.txt"), ("pdf", "doc.pdf")):
        source = os.path.join(folder, "doc.odt")
        shutil.copyfile(path, source)
        run = subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to", target,
                              "--outdir", folder, source], capture_output=True, text=True, timeout=240)
        if not os.path.exists(os.path.join(folder, name)):
            problems.append("LibreOffice did not convert to %s: %s%s" % (name, run.stdout, run.stderr))
            return
    subprocess.run(["pdftotext", "-layout", os.path.join(folder, "doc.pdf"), os.path.join(folder, "pdf.txt")],
                   check=True, timeout=60)


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "package":
        package(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 4 and sys.argv[1] == "convert":
        convert(sys.argv[2], sys.argv[3])
    else:
        print(__doc__)
        return 2
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
