#!/bin/sh
# Writes the .xls workbooks beside this script with LibreOffice Calc from CSV
# texts (apt package libreoffice-calc-nogui; needed only to remake them).
# The sheet takes the name of its CSV file, so Sheet1.csv gives Sheet1; the
# CSV import detects numbers and dates as a user's typing would.
set -eu
out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert() {  # convert <name> <filter options>: $work/<name>/Sheet1.csv -> <name>.xls
    (cd "$work/$1" && soffice --headless --infilter="$2" --convert-to xls Sheet1.csv >/dev/null)
    mv "$work/$1/Sheet1.xls" "$out/$1.xls"
}

# Columns in the address book's order; numbers, dates, decimals, quotes and
# a line break inside a cell, as a user would type them into Calc.
mkdir "$work/typed"
cat > "$work/typed/Sheet1.csv" <<'CSV'
姓名,手机,首字母,手机备,QQ,QQ备,邮箱,分组,座机,分机,地址,籍贯,生日,备注,照片,归属地,性别
张三,13800138000,zs,13900000001,12345,,zs@example.com,同学,010-66668888,801,北京市,河北,1980-01-06,3.5,,北京移动,男
李四,13912345678,ls,,678901,,,同事,,,"上海市""南京路""",,1990-12-31,1.0005,,,女
王五,13700000000,ww,,,,,,,,"第一行
第二行",,2001-02-03 08:30:00,12,,,
CSV
convert typed "CSV:44,34,76,1"

# More columns than the address book has (20): the surplus is ignored.
mkdir "$work/wide"
{
    printf '姓名,手机'
    for n in $(seq 3 20); do printf ',列%s' "$n"; done
    printf '\n赵六,13600000000'
    for n in $(seq 3 20); do printf ',v%s' "$n"; done
    printf '\n'
} > "$work/wide/Sheet1.csv"
convert wide "CSV:44,34,76,1"

# A mobile number cell holding a formula (its value is 13500000001).
mkdir "$work/formula"
cat > "$work/formula/Sheet1.csv" <<'CSV'
姓名,手机
钱七,=13500000000+1
CSV
convert formula "CSV:44,34,76,1,,0,false,true,false,false,false,-1,true"
