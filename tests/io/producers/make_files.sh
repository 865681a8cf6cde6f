#!/usr/bin/env bash
# Writes the files in this folder with the tools that produce them in the wild: pandas, numpy
# and R as Debian ships them (python3-pandas, r-base-core), each with its defaults unless the
# name says otherwise. The files are committed; run this only to make them anew.
set -euo pipefail
cd "$(dirname "$0")"

/usr/bin/python3 - <<'PY'
import csv
import numpy as np
import pandas as pd

df = pd.DataFrame({"zeit": [0.5, 1.25, 2.0, 3.75, 5.5],
                   "spannung": [1.1, 2.35, np.nan, 4.4, 6.05],
                   "strom": [10.0, 20.5, 30.0, 40.25, 50.0]})
df.to_csv("pandas_index.csv")
df.to_csv("pandas_no_index.csv", index=False)
df.to_csv("pandas_quote_all.csv", quoting=csv.QUOTE_ALL)
df.to_csv("pandas_semicolon_decimal_comma.csv", sep=";", decimal=",")
# A spreadsheet's "Unicode text": UTF-16 with a byte-order mark, TAB-separated, CR LF.
with open("utf16_unicode_text.txt", "w", encoding="utf-16", newline="\r\n") as f:
    df.dropna().to_csv(f, sep="\t", index=False, lineterminator="\n")
# A spreadsheet's CSV for German systems with Excel's separator hint in the first line.
with open("excel_sep_hint.csv", "w", newline="") as f:
    f.write("sep=;\r\n")
    df.dropna().to_csv(f, sep=";", decimal=",", index=False, lineterminator="\r\n")
np.savetxt("numpy_savetxt.txt", df.dropna()[["zeit", "spannung"]].to_numpy(), header="zeit spannung")
PY

Rscript - <<'R'
df <- data.frame(zeit = c(0.5, 1.25, 2, 3.75, 5.5),
                 spannung = c(1.1, 2.35, NA, 4.4, 6.05))
rownames(df) <- c("Probe 1", "Probe 2", "Probe 3", "Probe 4", "Probe 5")
write.csv(df, "r_write_csv.csv")
write.csv2(df, "r_write_csv2.csv")
write.table(df, "r_write_table.txt")
R
