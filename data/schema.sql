-- Table design of the recipe database (ORUN.MDB and the upgrade template).
-- A row that a load routine adds takes these column defaults for every column it does
-- not set, so every column a load reads has a default (no NULL in a fresh row).
-- Types: SMALLINT = 16-bit whole number, INTEGER = 32-bit whole number, REAL = double,
-- TEXT = text. Statements end with ";" at the end of a line; "--" starts a comment.
-- Text columns hold the fixed widths of their fields (Process_Name and Film_Name 16
-- characters, Units 8); longer texts are kept whole and cut when read.

-- One row per process, 1..25.
CREATE TABLE Processes (
    Process_Number SMALLINT NOT NULL PRIMARY KEY,
    Process_Name TEXT DEFAULT '',
    Run_Number SMALLINT DEFAULT 1,
    Number_Layers SMALLINT DEFAULT 0,
    First_Layer SMALLINT DEFAULT -1,
    Number_Act_Layers SMALLINT DEFAULT 0
);

-- One row per layer record, 1..250. A fresh row is a free record (Film_Number -1).
-- Ramp2Thick holds the second ramp's rate and Ramp2Rate its start thickness: files in
-- use are written that way.
CREATE TABLE Layers (
    Layer_Number SMALLINT NOT NULL PRIMARY KEY,
    Channel SMALLINT DEFAULT 0,
    Output SMALLINT DEFAULT 0,
    Film_Number SMALLINT DEFAULT -1,
    Next_Layer SMALLINT DEFAULT -1,
    CoDep_Layer SMALLINT DEFAULT -1,
    Rate REAL DEFAULT 0,
    Thick REAL DEFAULT 0,
    ThickSetPt REAL DEFAULT 0,
    TimeSetPt INTEGER DEFAULT 0,
    StartMode SMALLINT DEFAULT 0,
    Prompt TEXT DEFAULT '',
    XChMode SMALLINT DEFAULT 0,
    XCH1 SMALLINT DEFAULT -1,
    XCh1Percent REAL DEFAULT 0,
    XCH2 SMALLINT DEFAULT -1,
    XCh2Percent REAL DEFAULT 0,
    XCH3 SMALLINT DEFAULT -1,
    XCh3Percent REAL DEFAULT 0,
    XCH4 SMALLINT DEFAULT -1,
    XCh4Percent REAL DEFAULT 0,
    ChanMult REAL DEFAULT 1,
    RatioChan SMALLINT DEFAULT -1,
    RatioMult REAL DEFAULT 1,
    RatioFilter REAL DEFAULT 1,
    Ramp1Thick REAL DEFAULT 0,
    Ramp1Rate REAL DEFAULT 0,
    Ramp1Time INTEGER DEFAULT 0,
    Ramp2Thick REAL DEFAULT 0,
    Ramp2Rate REAL DEFAULT 0,
    Ramp2Time INTEGER DEFAULT 0
);

-- One row per film, 1..25.
CREATE TABLE Films (
    Film_Number SMALLINT NOT NULL PRIMARY KEY,
    Film_Name TEXT DEFAULT '',
    Units TEXT DEFAULT 'A/s',
    UnitsCal REAL DEFAULT 1,
    UnitsOffset REAL DEFAULT 0,
    DecDigits INTEGER DEFAULT 2,
    IntDigits INTEGER DEFAULT 3,
    Exponent INTEGER DEFAULT 0,
    Filter INTEGER DEFAULT 1,
    PTerm REAL DEFAULT 1,
    ITerm REAL DEFAULT 1,
    DTerm REAL DEFAULT 0,
    Shutter_Delay INTEGER DEFAULT 0,
    Shutter_Capture REAL DEFAULT 5,
    ERROR_ACTION INTEGER DEFAULT 0,
    CTRLERR_PERCENT INTEGER DEFAULT 10,
    Max_Power REAL DEFAULT 50,
    SLEW_RATE REAL DEFAULT 10,
    FULL_SCALE REAL DEFAULT 10,
    Ramp1_Power REAL DEFAULT 0,
    RAMP1_TIME INTEGER DEFAULT 0,
    Soak1_Time INTEGER DEFAULT 0,
    Ramp2_Power REAL DEFAULT 0,
    RAMP2_TIME INTEGER DEFAULT 0,
    Soak2_Time INTEGER DEFAULT 0,
    Feed_Power REAL DEFAULT 0,
    FEED_RAMP REAL DEFAULT 0,
    FEED_TIME INTEGER DEFAULT 0,
    Idle_Power REAL DEFAULT 0,
    IDLE_Ramp INTEGER DEFAULT 0,
    Input_Type INTEGER DEFAULT 0,
    Sensor_PMT REAL DEFAULT 0,
    Indexer1 INTEGER DEFAULT 0,
    Indexer2 INTEGER DEFAULT 0,
    QCM_DENSITY REAL DEFAULT 1,
    QCM_ZFACTOR REAL DEFAULT 1,
    QCM_TOOLING REAL DEFAULT 100,
    QCM_NUMBER REAL DEFAULT -1,
    QCM_ACCURACY REAL DEFAULT 0,
    QCM_INTERVAL INTEGER DEFAULT 0,
    QCM_SAMPLE INTEGER DEFAULT 0,
    QCM_CALFACTOR REAL DEFAULT 1,
    QCM_CALZERO REAL DEFAULT 0
);

-- A list of materials kept with the recipes; the program carries it over on upgrade.
CREATE TABLE Materials (
    Material TEXT DEFAULT '',
    Density REAL DEFAULT 1,
    ZFactor REAL DEFAULT 1
);

-- Strip-chart settings of each process: one set of X columns, sixteen columns per graph.
CREATE TABLE Graphs (
    Process_Number SMALLINT NOT NULL PRIMARY KEY,
    XPoints INTEGER DEFAULT 1000,
    XScroll INTEGER DEFAULT 0,
    XWidth INTEGER DEFAULT 60,
    XUnits INTEGER DEFAULT 0,
    G1Caption TEXT DEFAULT 'Graph 1',
    G1Data INTEGER DEFAULT 0,
    G1Advanced INTEGER DEFAULT 0,
    G1OnTop SMALLINT DEFAULT 0,
    G1Channels SMALLINT DEFAULT 1,
    G1ChanAxis SMALLINT DEFAULT 0,
    G1Y1Min TEXT DEFAULT '0',
    G1Y1Max TEXT DEFAULT '10',
    G1Y1Units TEXT DEFAULT '',
    G1Y1Log INTEGER DEFAULT 0,
    G1Y1Exp INTEGER DEFAULT 1,
    G1Y2Min TEXT DEFAULT '0',
    G1Y2Max TEXT DEFAULT '10',
    G1Y2Units TEXT DEFAULT '',
    G1Y2Log INTEGER DEFAULT 0,
    G1Y2Exp INTEGER DEFAULT 1,
    G2Caption TEXT DEFAULT 'Graph 2',
    G2Data INTEGER DEFAULT 0,
    G2Advanced INTEGER DEFAULT 0,
    G2OnTop SMALLINT DEFAULT 0,
    G2Channels SMALLINT DEFAULT 1,
    G2ChanAxis SMALLINT DEFAULT 0,
    G2Y1Min TEXT DEFAULT '0',
    G2Y1Max TEXT DEFAULT '10',
    G2Y1Units TEXT DEFAULT '',
    G2Y1Log INTEGER DEFAULT 0,
    G2Y1Exp INTEGER DEFAULT 1,
    G2Y2Min TEXT DEFAULT '0',
    G2Y2Max TEXT DEFAULT '10',
    G2Y2Units TEXT DEFAULT '',
    G2Y2Log INTEGER DEFAULT 0,
    G2Y2Exp INTEGER DEFAULT 1,
    G3Caption TEXT DEFAULT 'Graph 3',
    G3Data INTEGER DEFAULT 0,
    G3Advanced INTEGER DEFAULT 0,
    G3OnTop SMALLINT DEFAULT 0,
    G3Channels SMALLINT DEFAULT 1,
    G3ChanAxis SMALLINT DEFAULT 0,
    G3Y1Min TEXT DEFAULT '0',
    G3Y1Max TEXT DEFAULT '10',
    G3Y1Units TEXT DEFAULT '',
    G3Y1Log INTEGER DEFAULT 0,
    G3Y1Exp INTEGER DEFAULT 1,
    G3Y2Min TEXT DEFAULT '0',
    G3Y2Max TEXT DEFAULT '10',
    G3Y2Units TEXT DEFAULT '',
    G3Y2Log INTEGER DEFAULT 0,
    G3Y2Exp INTEGER DEFAULT 1,
    G4Caption TEXT DEFAULT 'Graph 4',
    G4Data INTEGER DEFAULT 0,
    G4Advanced INTEGER DEFAULT 0,
    G4OnTop SMALLINT DEFAULT 0,
    G4Channels SMALLINT DEFAULT 1,
    G4ChanAxis SMALLINT DEFAULT 0,
    G4Y1Min TEXT DEFAULT '0',
    G4Y1Max TEXT DEFAULT '10',
    G4Y1Units TEXT DEFAULT '',
    G4Y1Log INTEGER DEFAULT 0,
    G4Y1Exp INTEGER DEFAULT 1,
    G4Y2Min TEXT DEFAULT '0',
    G4Y2Max TEXT DEFAULT '10',
    G4Y2Units TEXT DEFAULT '',
    G4Y2Log INTEGER DEFAULT 0,
    G4Y2Exp INTEGER DEFAULT 1
);

-- Function of each digital input and relay output of each process (0 = not assigned).
CREATE TABLE IO (
    Process_Number SMALLINT NOT NULL PRIMARY KEY,
    In0 SMALLINT DEFAULT 0,
    In1 SMALLINT DEFAULT 0,
    In2 SMALLINT DEFAULT 0,
    In3 SMALLINT DEFAULT 0,
    In4 SMALLINT DEFAULT 0,
    In5 SMALLINT DEFAULT 0,
    In6 SMALLINT DEFAULT 0,
    In7 SMALLINT DEFAULT 0,
    In8 SMALLINT DEFAULT 0,
    In9 SMALLINT DEFAULT 0,
    In10 SMALLINT DEFAULT 0,
    In11 SMALLINT DEFAULT 0,
    Out0 SMALLINT DEFAULT 0,
    Out1 SMALLINT DEFAULT 0,
    Out2 SMALLINT DEFAULT 0,
    Out3 SMALLINT DEFAULT 0,
    Out4 SMALLINT DEFAULT 0,
    Out5 SMALLINT DEFAULT 0,
    Out6 SMALLINT DEFAULT 0,
    Out7 SMALLINT DEFAULT 0,
    Out8 SMALLINT DEFAULT 0,
    Out9 SMALLINT DEFAULT 0,
    Out10 SMALLINT DEFAULT 0,
    Out11 SMALLINT DEFAULT 0
);

-- Calibration of the controller unit's channels, 0..7.
CREATE TABLE ORUN (
    Channel SMALLINT NOT NULL PRIMARY KEY,
    CalPackets INTEGER DEFAULT 10,
    "Update" INTEGER DEFAULT 100,
    Sensor INTEGER DEFAULT 1,
    A_BiasHi INTEGER DEFAULT 0,
    A_BiasLo INTEGER DEFAULT 0,
    A_Slope REAL DEFAULT 0,
    A_Intercept REAL DEFAULT 0,
    B_BiasHi INTEGER DEFAULT 0,
    B_BiasLo INTEGER DEFAULT 0,
    B_Slope REAL DEFAULT 0,
    B_Intercept REAL DEFAULT 0
);

-- Settings of the unit's emission sensors, 0..3.
CREATE TABLE Sensors (
    Sensor SMALLINT NOT NULL PRIMARY KEY,
    EmissionSetPt REAL DEFAULT 2,
    MaxLeakage REAL DEFAULT 1
);

-- Frequency settings of the quartz monitors: one row, no key.
CREATE TABLE QCM (
    FreqMax REAL DEFAULT 6100000,
    FreqInit REAL DEFAULT 6000000,
    FreqMin REAL DEFAULT 5000000,
    Period REAL DEFAULT 0.5
);
