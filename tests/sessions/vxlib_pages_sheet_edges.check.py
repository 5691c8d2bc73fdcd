# Only the workbook of the application without a page function was written: the template's
# sheets, the template's sheet moved to the end; the template itself untouched.
import os
import sys
import openpyxl

problems = []
files = sorted(f for f in os.listdir(".") if not f.startswith("."))
if files != ["out2.xlsx", "template.orig", "template.xlsx"]:
    problems.append("files %s" % files)
if os.path.exists("out2.xlsx"):
    wb = openpyxl.load_workbook("out2.xlsx")
    if wb.sheetnames != ["Info", "Sheet"]:
        problems.append("sheets %s" % wb.sheetnames)
if open("template.xlsx", "rb").read() != open("template.orig", "rb").read():
    problems.append("the template was changed")
if problems:
    print("\n".join(problems))
    sys.exit(1)
