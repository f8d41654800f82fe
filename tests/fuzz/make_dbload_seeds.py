#!/usr/bin/env python3
"""Writes the seed databases of the dbload fuzz target into corpus/dbload/.

Each seed is a recipe database of the table design in data/schema.sql, with small pages
so that a seed stays well inside the 64 KiB the mutator keeps:
  current.mdb   this program's version, every process, layer and film row
  v200.mdb      no version property (counts as 2.00): layers on channels 0..8
  v301.mdb      version 3.01, a few rows in every table
  newer.mdb     version 5.00
  badfilms.mdb  version 3.01 whose Films table has a column the design lacks
  badprops.mdb  a property table without its Value column: the version cannot be read
  jet.mdb       the header of an Access (Jet) file
Run it again after the table design changes:  python3 tests/fuzz/make_dbload_seeds.py
"""
import os
import sqlite3

HERE = os.path.dirname(os.path.abspath(__file__))
SCHEMA = os.path.join(HERE, "..", "..", "data", "schema.sql")
OUT = os.path.join(HERE, "corpus", "dbload")
PROPERTIES = "CREATE TABLE DatabaseProperties (Name TEXT PRIMARY KEY COLLATE NOCASE, Value TEXT)"


def make(name, version, fill, properties=PROPERTIES):
    path = os.path.join(OUT, name)
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.execute("PRAGMA page_size = 512")
    db.executescript(open(SCHEMA).read())
    if version is not None:
        db.execute(properties)
        db.execute("INSERT INTO DatabaseProperties VALUES ('ORUN_VER', ?)", (version,))
    fill(db)
    db.commit()
    db.execute("VACUUM")
    db.close()


def few_rows(db):
    db.execute("INSERT INTO Processes (Process_Number, Process_Name, Number_Layers, First_Layer, "
               "Number_Act_Layers) VALUES (1, 'Mirror', 2, 1, 2)")
    db.execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel, Output, Next_Layer, Rate, Prompt) "
               "VALUES (1, 1, 0, 0, 2, 2.5, NULL)")
    db.execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel, Output, Rate) VALUES (2, 2, 1, 1, 1.5)")
    db.execute("INSERT INTO Films (Film_Number, Film_Name, Input_Type) VALUES (1, 'TiO2', -1)")
    db.execute("INSERT INTO Films (Film_Number, Film_Name, Units) VALUES (2, 'SiO2', 'nm/s')")
    db.execute("INSERT INTO Materials (Material, Density) VALUES ('Ta2O5', 8.2)")
    db.execute("INSERT INTO Graphs (Process_Number, G1Caption, G1Y1Min) VALUES (1, 'Rates', 'auto')")
    db.execute("INSERT INTO IO (Process_Number, In0, Out0) VALUES (1, 1, 8)")
    db.execute("INSERT INTO ORUN (Channel) VALUES (0)")
    db.execute("INSERT INTO Sensors (Sensor) VALUES (0)")
    db.execute("INSERT INTO QCM DEFAULT VALUES")


def every_row(db):
    for n in range(1, 26):
        db.execute("INSERT INTO Processes (Process_Number, Process_Name) VALUES (?, ?)", (n, "P%d" % n))
        db.execute("INSERT INTO Films (Film_Number, Film_Name) VALUES (?, ?)", (n, "F%d" % n))
    for n in range(1, 251):
        film = 1 + n % 25 if n % 3 else -1
        db.execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel) VALUES (?, ?, ?)", (n, film, n % 8))


def channels(db):
    for ch in range(9):
        db.execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel, Output) VALUES (?, 1, ?, 9)",
                   (ch + 1, ch))


def bad_films(db):
    few_rows(db)
    db.execute("ALTER TABLE Films ADD COLUMN Colour TEXT")


os.makedirs(OUT, exist_ok=True)
make("current.mdb", "4.11", every_row)
make("v200.mdb", None, channels)
make("v301.mdb", "3.01", few_rows)
make("newer.mdb", "5.00", few_rows)
make("badfilms.mdb", "3.01", bad_films)
make("badprops.mdb", "4.11", every_row, "CREATE TABLE DatabaseProperties (Name TEXT, Other TEXT)")
with open(os.path.join(OUT, "jet.mdb"), "wb") as f:
    f.write(b"\x00\x01\x00\x00Standard Jet DB\x00" + bytes(236))
