# The spreadsheet template of the session: the sheet "Sheet" with the page's placeholders, one of
# them for a value the pages never give, and a sheet "Info"; a copy to compare it with afterwards.
import shutil
import openpyxl

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Sheet"
ws["A1"] = "Page %01%page"
ws["B2"] = "No. %01%numb"
ws["C3"] = "%02%page"
ws["D4"] = "fixed"
wb.create_sheet("Info")["A1"] = "about"
wb.save("template.xlsx")
shutil.copyfile("template.xlsx", "template.orig")
