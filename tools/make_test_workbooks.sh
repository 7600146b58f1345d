#!/bin/sh
# Writes the .xls workbooks of tests/fixtures/xls with LibreOffice Calc from CSV
# texts (apt package libreoffice-calc-nogui; not needed to build or test).
# Each sheet takes the name of its CSV file, so Sheet1.csv gives the sheet Sheet1.
set -eu
out=$(cd "$(dirname "$0")/../tests/fixtures/xls" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert() {  # convert <folder with one CSV> <workbook name>
    (cd "$1" && soffice --headless --infilter=CSV:44,34,76,1,,0,false,true --convert-to xls ./*.csv >/dev/null)
    mv "$1"/*.xls "$out/$2"
}

# Contacts: Chinese text, whole numbers, decimals, dates with and without a time.
mkdir "$work/contacts"
cat > "$work/contacts/Sheet1.csv" <<'CSV'
姓名,手机,QQ,生日,身高,登记时间,备注
张三,13800138000,12345,1980-01-06,1.75,2020-05-01 08:30:00,老同学
李四,13912345678,,1990-12-31,1.8,,"逗号,引号""在内"
王五,,67890,,,,
CSV
convert "$work/contacts" contacts.xls

# An empty Sheet1.
mkdir "$work/empty"
printf '' > "$work/empty/Sheet1.csv"
convert "$work/empty" empty.xls

# A workbook whose only sheet is not called Sheet1.
mkdir "$work/other"
printf '姓名,手机\n赵六,13700000000\n' > "$work/other/通讯录.csv"
convert "$work/other" no_sheet1.xls

