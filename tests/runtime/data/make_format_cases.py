#!/usr/bin/env python3
# Writes format_cases.inc: (value, format, expected text) rows whose expected texts come from
# Python's datetime and decimal modules, independent of the formatter under test.
from datetime import date, datetime, timedelta
from decimal import Decimal, ROUND_HALF_UP

EPOCH_D = date(1960, 1, 1)
EPOCH_DT = datetime(1960, 1, 1)
MON = ["JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"]
rows = []


def add(value, fmt, text):
    rows.append((value, fmt, text))


def right(text, w):
    # Rows are made only for texts that fit; the shorter forms are tested by hand.
    return text.rjust(w) if len(text) <= w else None


def fixed(x, d):
    q = Decimal(x).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP)
    s = f"{q:.{d}f}"
    return s[1:] if s.startswith("-") and set(s[1:]) <= set("0.") else s


def comma(x, d):
    q = Decimal(x).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP)
    return f"{q:,.{d}f}"


# Plain, COMMA and PERCENT numbers, including exact binary ties (0.125, 2.5) that round away
# from zero, and values whose decimal text is below the tie (2.675 is 2.67499...).
for x in [0.0, 1.0, -1.0, 0.125, -0.125, 2.5, -2.5, 2.675, 1234.5678, -1234.5678, 1e6, 0.001, -0.004]:
    for w, d in [(8, 2), (10, 3), (6, 0)]:
        add(x, f"{w}.{d}", right(fixed(x, d), w))
for x in [1234.5678, -1234567.891, 999.995, 0.5, 1e9]:
    for w, d in [(12, 2), (16, 2), (8, 0)]:
        text = comma(x, d)
        add(x, f"COMMA{w}.{d}", right(text, w))
for x in [0.1234, 0.5, 1.0, 0.00125, 0.25]:
    for w, d in [(8, 2), (6, 0), (10, 3)]:
        add(x, f"PERCENT{w}.{d}", right(fixed(Decimal(x) * 100, d) + "%", w))
for x in [-0.05, -0.1234]:
    add(x, "PERCENT10.2", right("(" + fixed(Decimal(-x) * 100, 2) + "%)", 10))

# BEST: the shortest repr when it fits.
for x in [1.0, 0.1, 1234.5, -17.25, 1e15, 0.000125, 123456789.0, 3.0e-5]:
    r = repr(x)
    r = r[:-2] if r.endswith(".0") else r
    if "e" not in r:
        add(x, "BEST16.", right(r, 16))

# Dates across the calendar: 1582, 1960, leap 2000, non-leap 2100, month and year ends.
dates = [date(1582, 1, 1), date(1582, 10, 15), date(1959, 12, 31), date(1960, 1, 1),
         date(2000, 2, 29), date(2000, 12, 31), date(2026, 12, 10), date(2100, 2, 28),
         date(2100, 3, 1), date(9999, 12, 31), date(2026, 1, 5)]
for d in dates:
    v = (d - EPOCH_D).days
    yy = f"{d.year % 100:02d}"
    add(v, "DATE9.", f"{d.day:02d}{MON[d.month - 1]}{d.year}")
    add(v, "DATE7.", f"{d.day:02d}{MON[d.month - 1]}{yy}")
    add(v, "DATE11.", f"{d.day:02d}-{MON[d.month - 1]}-{d.year}")
    add(v, "DATE5.", f"{d.day:02d}{MON[d.month - 1]}")
    add(v, "MONYY7.", f"{MON[d.month - 1]}{d.year}")
    add(v, "MONYY5.", f"{MON[d.month - 1]}{yy}")
    add(v, "YEAR4.", f"{d.year}")
    add(v, "YEAR2.", yy)
    add(v, "YYQC6.", f"{d.year}:{(d.month - 1) // 3 + 1}")
    add(v, "YYQC4.", f"{yy}:{(d.month - 1) // 3 + 1}")
    add(v, "WEEKDATX29.", right(f"{d:%A}, {d.day} {d:%B} {d.year}", 29))
    add(v, "WEEKDATX17.", right(f"{d:%a}, {d.day} {d:%b} {d.year}", 17))
    add(v, "YYMMDD10.", d.isoformat())
    add(v, "YYMMDD8.", f"{yy}-{d.month:02d}-{d.day:02d}")
    add(v, "YYMMDD6.", f"{yy}{d.month:02d}{d.day:02d}")
    add(v, "MMDDYY10.", f"{d.month:02d}/{d.day:02d}/{d.year}")
    add(v, "MMDDYY8.", f"{d.month:02d}/{d.day:02d}/{yy}")
    add(v, "DDMMYY10.", f"{d.day:02d}/{d.month:02d}/{d.year}")
    add(v, "DDMMYY6.", f"{d.day:02d}{d.month:02d}{yy}")

# Date-times and times.
stamps = [datetime(2026, 12, 10, 13, 45, 0), datetime(1960, 1, 1, 0, 0, 0),
          datetime(1959, 12, 31, 23, 59, 59), datetime(2000, 2, 29, 9, 5, 7),
          datetime(1582, 1, 1, 12, 0, 0), datetime(2100, 3, 1, 0, 0, 1)]
for t in stamps:
    v = int((t - EPOCH_DT).total_seconds())
    dd, mon, yy = f"{t.day:02d}", MON[t.month - 1], f"{t.year % 100:02d}"
    hms = f"{t:%H:%M:%S}"
    add(v, "DATETIME20.", right(f"{dd}{mon}{t.year}:{hms}", 20))
    add(v, "DATETIME18.", f"{dd}{mon}{t.year}:{hms}")
    add(v, "DATETIME16.", f"{dd}{mon}{yy}:{hms}")
    add(v, "DATETIME13.", f"{dd}{mon}{yy}:{t:%H:%M}")
    add(v, "DATETIME7.", f"{dd}{mon}{yy}")
    add(v, "DATETIME21.1", right(f"{dd}{mon}{t.year}:{hms}.0", 21))
    add(v, "E8601DT19.", t.isoformat())
    add(v, "DTDATE9.", f"{dd}{mon}{t.year}")
    add(v, "DTMONYY7.", f"{mon}{t.year}")
    add(v, "DTYEAR4.", f"{t.year}")
    add(v, "DTYYQC6.", f"{t.year}:{(t.month - 1) // 3 + 1}")
    add(v, "DTWKDATX29.", right(f"{t:%A}, {t.day} {t:%B} {t.year}", 29))
    add(v, "DTYYMMDD10.", t.date().isoformat())
    add(v, "DTMMDDYY10.", f"{t.month:02d}/{dd}/{t.year}")
    add(v, "DTDDMMYY10.", f"{dd}/{t.month:02d}/{t.year}")
    add(v, "TOD8.", hms)
    add(v, "TOD5.", f"{t:%H:%M}")

for secs in [0, 59, 3600, 49500, 86399, 90000, 360000, 5 * 3600 + 7]:
    h, rest = divmod(secs, 3600)
    m, s = divmod(rest, 60)
    add(secs, "TIME9.", right(f"{h}:{m:02d}:{s:02d}", 9))
    add(secs, "TIME6.", right(f"{h}:{m:02d}", 6))
    add(secs, "TOD8.", f"{h % 24:02d}:{m:02d}:{s:02d}")
    mins = (Decimal(secs) / 60).quantize(Decimal(1), rounding=ROUND_HALF_UP)
    add(secs, "HHMM6.", right(f"{int(mins) // 60}:{int(mins) % 60:02d}", 6))
for secs in [49500.25, 59.996, -5400.0]:
    sign = "-" if secs < 0 else ""
    q = Decimal(abs(secs)).quantize(Decimal("0.01"), rounding=ROUND_HALF_UP)
    whole, frac = divmod(q, 1)
    h, rest = divmod(int(whole), 3600)
    m, s = divmod(rest, 60)
    add(secs, "TIME11.2", right(f"{sign}{h}:{m:02d}:{s:02d}.{str(frac)[2:].ljust(2, '0')}", 11))

with open("format_cases.inc", "w") as out:
    out.write("// Generated by make_format_cases.py from Python's datetime and decimal modules.\n")
    for value, fmt, text in rows:
        if text is None:
            continue
        out.write(f'{{{value!r}, "{fmt}", "{text}"}},\n')
print(len(rows))
