-- A station's journal as schema version 4 created it (its tables, indexes and version, then one run of
-- two parts), for the migration to the version that records each run's fixture.
CREATE TABLE runs (id TEXT PRIMARY KEY, station TEXT NOT NULL, program_path TEXT NOT NULL, program_sha256 TEXT NOT NULL, firmware TEXT NOT NULL, sensitivity INTEGER NOT NULL, buzzer INTEGER NOT NULL, tolerance DOUBLE PRECISION NOT NULL, started_utc TEXT NOT NULL, ended_utc TEXT, program_version TEXT NOT NULL, forwarded INTEGER NOT NULL DEFAULT 0);
CREATE TABLE parts (id TEXT PRIMARY KEY, run_id TEXT NOT NULL REFERENCES runs (id), serial TEXT, attempt INTEGER NOT NULL, started_utc TEXT NOT NULL, ended_utc TEXT NOT NULL, verdict TEXT NOT NULL CHECK (verdict IN ('PASS', 'FAIL')), test_s DOUBLE PRECISION, cycle_s DOUBLE PRECISION, forwarded INTEGER NOT NULL DEFAULT 0, forward_problem TEXT);
CREATE TABLE comparisons (id TEXT PRIMARY KEY, part_id TEXT NOT NULL REFERENCES parts (id), seq INTEGER NOT NULL, kind TEXT NOT NULL, pins TEXT NOT NULL, expected TEXT NOT NULL, measured TEXT NOT NULL, passed INTEGER NOT NULL, reason TEXT NOT NULL, mode TEXT, expected_value DOUBLE PRECISION, measured_value DOUBLE PRECISION);
CREATE TABLE measurements (id TEXT PRIMARY KEY, part_id TEXT NOT NULL REFERENCES parts (id), seq INTEGER NOT NULL, measure TEXT NOT NULL CHECK (measure IN ('static', 'button', 'touch')), pin_a INTEGER NOT NULL, type_a INTEGER NOT NULL, type_a_name TEXT, pin_b INTEGER, type_b INTEGER, type_b_name TEXT, vdrop_ab_v DOUBLE PRECISION, vdrop_ba_v DOUBLE PRECISION);
CREATE TABLE database_info (name TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE INDEX parts_serial ON parts (serial);
CREATE INDEX parts_started ON parts (started_utc);
CREATE INDEX parts_run ON parts (run_id);
CREATE INDEX parts_pending ON parts (forwarded, started_utc, id);
CREATE INDEX comparisons_part ON comparisons (part_id);
CREATE INDEX measurements_part ON measurements (part_id);
CREATE INDEX comparisons_failed ON comparisons (part_id, mode) WHERE passed = 0;
CREATE INDEX measurements_static ON measurements (part_id, measure, pin_a, pin_b, vdrop_ab_v, vdrop_ba_v) WHERE measure = 'static';
CREATE INDEX parts_id_run ON parts (id, run_id, started_utc);
INSERT INTO database_info (name, value) VALUES ('id', '5b1d6c1e-3f0a-4d7e-9a51-0c2f8e4b7d93');
INSERT INTO runs (id, station, program_path, program_sha256, firmware, sensitivity, buzzer, tolerance, started_utc, ended_utc, program_version, forwarded) VALUES ('0b6f1a52-7c1e-4f4b-8a0e-3d2c9e71f5a4', 'bench-1', '/parts/good.device', '9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08', '1.4.2', 70, 90, 0.15, '2026-12-01T08:00:00.000Z', '2026-12-01T09:00:00.000Z', '1.6.0', 0);
INSERT INTO parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict, test_s, cycle_s, forwarded, forward_problem) VALUES ('6e0c9d3b-58a2-4f1e-b7c4-2a9d1f0e8c36', '0b6f1a52-7c1e-4f4b-8a0e-3d2c9e71f5a4', 'SN-0001', 1, '2026-12-01T08:00:01.000Z', '2026-12-01T08:00:03.000Z', 'PASS', 0.75, 2.0, 0, NULL);
INSERT INTO parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict, test_s, cycle_s, forwarded, forward_problem) VALUES ('c3a71e0f-2b9d-4c58-8e16-7f4d0a2b9e51', '0b6f1a52-7c1e-4f4b-8a0e-3d2c9e71f5a4', 'SN-0002', 1, '2026-12-01T08:00:04.000Z', '2026-12-01T08:00:06.000Z', 'FAIL', 0.80, 2.0, 0, NULL);
PRAGMA user_version = 4;
