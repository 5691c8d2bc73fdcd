# What the user's session left: the printed copy of both pages and no output file (deleted once
# the printer took it); one plot per page, each rendered by Ghostscript with ink on it; the
# workbook with a sheet per page; the template untouched.
import os
import subprocess
import sys
import openpyxl

problems = []
if os.path.exists("vx.ps"):
    problems.append("the output file was kept although it was printed")
if not os.path.exists("printed.ps"):
    problems.append("nothing reached the printer")
elif open("printed.ps", "rb").read().count(b"showpage") != 2:
    problems.append("the printed file does not hold two pages")


def ink(path):
    # One bit per pixel, 1 = black; the header is three lines (P4, size, then the rows).
    out = subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pbmraw", "-r20",
                          "-sOutputFile=-", path], capture_output=True, check=True).stdout
    rows = out.split(b"\n", 2)[2]
    return sum(bin(b).count("1") for b in rows)


for page in ("P1", "P2"):
    plot = "house_%s.ps" % page
    if not os.path.exists(plot):
        problems.append("no plot %s" % plot)
    elif ink(plot) == 0:
        problems.append("%s renders blank" % plot)
wb = openpyxl.load_workbook("out.xlsx")
if wb.sheetnames != ["Info", "P1", "P2", "Sheet"]:
    problems.append("sheets %s" % wb.sheetnames)
for page in ("P1", "P2"):
    if page in wb.sheetnames and wb[page]["A1"].value != "Page " + page:
        problems.append("%s!A1 holds %r" % (page, wb[page]["A1"].value))
if open("template.xlsx", "rb").read() != open("template.orig", "rb").read():
    problems.append("the template was changed")
if problems:
    print("\n".join(problems))
    sys.exit(1)
