-- An empty uncertainty database for "Save to Uncertainty DB" and "Insert into Uncertainty DB":
--     sqlite3 "6450 Multimeter.mdb" < resources/uncertainties.sql
-- INDEX is the running number of a specifications export. It repeats when a grid is
-- exported twice, so it is no key. Every other column holds text.
CREATE TABLE "UNCERTAINTIES" (
    "INDEX"       INTEGER,
    "DESCRIPTION" TEXT,
    "FREQ_LOW"    TEXT,
    "FREQ_HIGH"   TEXT,
    "RANGE_LOW"   TEXT,
    "RANGE_HIGH"  TEXT,
    "REF_%"       TEXT,
    "REF_ZERO"    TEXT,
    "LAB_%"       TEXT,
    "LAB_ZERO"    TEXT
);
CREATE INDEX "UNCERTAINTIES_BY_INDEX" ON "UNCERTAINTIES" ("INDEX");
