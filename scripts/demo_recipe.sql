-- The demonstration recipe, applied to a copy of the upgrade template (411_ORUN.MDB):
-- every row the program reads, and process 1 "Demo" of two layers, one after the other:
--   layer 1  channel 1, output 1, film 1 "Demo A": 5 A/s up to 0.020 kA
--   layer 2  channel 2, output 2, film 2 "Demo B": 3 A/s up to 0.015 kA
-- The unit emulator's plant gives 10 A/s at full drive with these calibrations.
-- One statement per line end with ";"; "--" starts a comment.

INSERT INTO Processes (Process_Number) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) SELECT i FROM n;
INSERT INTO Layers (Layer_Number) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) SELECT i FROM n;
INSERT INTO Films (Film_Number) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) SELECT i FROM n;
INSERT INTO Graphs (Process_Number) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) SELECT i FROM n;
INSERT INTO IO (Process_Number) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) SELECT i FROM n;
INSERT INTO ORUN (Channel, A_Slope, B_Slope) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 7) SELECT i, -0.1, -0.1 FROM n;
INSERT INTO Sensors (Sensor) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 3) SELECT i FROM n;
INSERT INTO QCM DEFAULT VALUES;

UPDATE Processes SET Process_Name = 'Demo', Number_Layers = 2, First_Layer = 1, Number_Act_Layers = 2 WHERE Process_Number = 1;
UPDATE Layers SET Channel = 0, Output = 0, Film_Number = 1, Next_Layer = 2, Rate = 5, Thick = 0.02 WHERE Layer_Number = 1;
UPDATE Layers SET Channel = 1, Output = 1, Film_Number = 2, Next_Layer = -1, Rate = 3, Thick = 0.015 WHERE Layer_Number = 2;
UPDATE Films SET Film_Name = 'Demo A', Units = 'A/s', PTerm = 200, ITerm = 0.2, Max_Power = 100, SLEW_RATE = 50, Sensor_PMT = 1000, QCM_CALFACTOR = 0.01 WHERE Film_Number = 1;
UPDATE Films SET Film_Name = 'Demo B', Units = 'A/s', PTerm = 200, ITerm = 0.2, Max_Power = 100, SLEW_RATE = 50, Sensor_PMT = 1000, QCM_CALFACTOR = 0.01 WHERE Film_Number = 2;
UPDATE Graphs SET G1Caption = 'Rate', G1Channels = 3 WHERE Process_Number = 1;
