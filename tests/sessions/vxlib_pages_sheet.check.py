# The workbook read back: a sheet per page, named after it, with its value and the template's
# fixed text, the placeholder without a value gone; the template's sheets as they were; the
# template file itself untouched.
import sys
import openpyxl

def cells(ws):
    return [(c.coordinate, c.value) for row in ws.iter_rows() for c in row if c.value is not None]

problems = []
wb = openpyxl.load_workbook("book.xlsx")
if wb.sheetnames != ["Info", "P1", "P2", "P3", "Sheet"]:
    problems.append("sheets %s" % wb.sheetnames)
if wb.active.title != "P1":
    problems.append("the workbook opens on %s" % wb.active.title)
for number, page in enumerate(("P1", "P2", "P3"), 1):
    if page in wb.sheetnames and cells(wb[page]) != [("A1", "Page " + page), ("B2", "No. %d" % number), ("D4", "fixed")]:
        problems.append("%s holds %s" % (page, cells(wb[page])))
if "Sheet" in wb.sheetnames and cells(wb["Sheet"]) != [("A1", "Page %01%page"), ("B2", "No. %01%numb"), ("C3", "%02%page"), ("D4", "fixed")]:
    problems.append("the template's sheet holds %s" % cells(wb["Sheet"]))
if open("template.xlsx", "rb").read() != open("template.orig", "rb").read():
    problems.append("the template was changed")
if problems:
    print("\n".join(problems))
    sys.exit(1)
