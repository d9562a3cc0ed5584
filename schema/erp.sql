-- ERP tables read and written through the embedded SQLite database.
--
-- Column types are those SQL Server gives the ERP's columns, so the SQLite
-- connection converts each value by its declared type:
--   ROWVERSION       8-byte big-endian row version, stored as a BLOB
--   DATETIME         text "yyyy-mm-dd", optionally followed by a blank or "T"
--                    and "hh:mm[:ss[.fff]]" (any number of fraction digits);
--                    a CHECK in plain SQL refuses anything else, so every
--                    stored value reads back as a date. Compared and sorted
--                    as SQL Server compares datetime values, whatever the
--                    form ("2025-07-14" = "2025-07-14 00:00:00"), through
--                    the DATETIME collation every connection of this code
--                    registers. Plain sqlite3 clients, which lack it, can
--                    read and write these columns (no index holds one) but
--                    cannot compare or sort them ("no such collation
--                    sequence: DATETIME").
--   DECIMAL(p,s)     amounts, rates, quantities; a number whose magnitude is
--                    below 10^18, as DECIMAL(28,10) holds it (checked, so no
--                    text and no value an export cannot write gets in)
--   INT, SMALLINT    ids, flags, counters
--   BIT              flags read as Boolean
--   NVARCHAR(n)      text, compared without regard to case as under SQL
--                    Server's default collation
--
-- Row versions are kept by triggers alone, so every client that writes to
-- the file (the library's stand-ins, the ovardx tool, the sqlite3 shell)
-- keeps them right: every insert and every update gives the row a value
-- greater than any handed out before in this database.

PRAGMA foreign_keys = OFF;

-- Row version machinery --------------------------------------------------

-- The last row version handed out (SQL Server's @@DBTS); one row.
CREATE TABLE RowVersionCounter (
  FID        INTEGER PRIMARY KEY CHECK (FID = 1),
  FLastValue INTEGER NOT NULL
);
INSERT INTO RowVersionCounter (FID, FLastValue) VALUES (1, 2000);

-- One single-byte BLOB per byte value 0..255.
CREATE TABLE RowVersionByte (
  FValue INTEGER PRIMARY KEY,
  FByte  BLOB NOT NULL
);
WITH RECURSIVE n(v) AS (SELECT 0 UNION ALL SELECT v + 1 FROM n WHERE v < 255)
INSERT INTO RowVersionByte (FValue, FByte)
SELECT v, substr(X'000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F404142434445464748494A4B4C4D4E4F505152535455565758595A5B5C5D5E5F606162636465666768696A6B6C6D6E6F707172737475767778797A7B7C7D7E7F808182838485868788898A8B8C8D8E8F909192939495969798999A9B9C9D9E9FA0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3B4B5B6B7B8B9BABBBCBDBEBFC0C1C2C3C4C5C6C7C8C9CACBCCCDCECFD0D1D2D3D4D5D6D7D8D9DADBDCDDDEDFE0E1E2E3E4E5E6E7E8E9EAEBECEDEEEFF0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF', v + 1, 1)
FROM n;

-- The counter as an 8-byte big-endian BLOB. "||" keeps the bytes but types
-- the result as text, hence the CAST.
CREATE VIEW RowVersionCurrent AS
SELECT CAST(
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 56) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 48) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 40) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 32) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 24) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 16) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = (c.FLastValue >> 8) & 255) ||
  (SELECT FByte FROM RowVersionByte WHERE FValue = c.FLastValue & 255)
  AS BLOB) AS FRowVersion
FROM RowVersionCounter c WHERE c.FID = 1;

-- System profile and users -----------------------------------------------

CREATE TABLE T_SYSTEMPROFILE (
  FCategory    NVARCHAR(30) COLLATE NOCASE NOT NULL,
  FKey         NVARCHAR(50) COLLATE NOCASE NOT NULL,
  FValue       NVARCHAR(255) COLLATE NOCASE,
  FDescription NVARCHAR(255) COLLATE NOCASE,
  PRIMARY KEY (FCategory, FKey)
);

CREATE TABLE t_User (
  FUserID      INTEGER PRIMARY KEY,
  FName        NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FDescription NVARCHAR(255) COLLATE NOCASE,
  FForbidden   SMALLINT DEFAULT 0
);

-- Group membership; group 1 is the administrators group.
CREATE TABLE t_Group (
  FUserID  INT NOT NULL,
  FGroupID INT NOT NULL,
  PRIMARY KEY (FUserID, FGroupID)
);

-- Per-user rights; object type 16 carries the web-service right (bit 20).
CREATE TABLE t_AccessControl (
  FID         INTEGER PRIMARY KEY,
  FObjectType INT NOT NULL,
  FObjectID   INT NOT NULL DEFAULT 0,
  FUserID     INT NOT NULL,
  FAccessMask INT
);
CREATE INDEX ix_AccessControl_User ON t_AccessControl (FUserID, FObjectType);

-- Base data ----------------------------------------------------------------

-- Items of every class: 1 customer, 2 department, 3 employee, 4 product.
CREATE TABLE t_item (
  FItemID      INTEGER PRIMARY KEY,
  FItemClassID INT NOT NULL,
  FNumber      NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FName        NVARCHAR(255) COLLATE NOCASE NOT NULL,
  FParentID    INT NOT NULL DEFAULT 0,
  FDetail      BIT NOT NULL DEFAULT 1,
  FDeleted     SMALLINT NOT NULL DEFAULT 0,
  UUID         NVARCHAR(40) COLLATE NOCASE DEFAULT (
    upper(hex(randomblob(4))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(2))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(6))))
);
CREATE INDEX ix_item_Class_Number ON t_item (FItemClassID, FNumber);
CREATE INDEX ix_item_UUID ON t_item (UUID);

CREATE TABLE t_Currency (
  FCurrencyID   INTEGER PRIMARY KEY,
  FNumber       NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FName         NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FScale        SMALLINT NOT NULL DEFAULT 2,
  FExchangeRate DECIMAL(28,10) NOT NULL DEFAULT 1 CHECK (FExchangeRate IS NULL OR (typeof(FExchangeRate) IN ('integer', 'real') AND abs(FExchangeRate) < 1e18)),
  UUID          NVARCHAR(40) COLLATE NOCASE DEFAULT (
    upper(hex(randomblob(4))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(2))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(6))))
);

CREATE TABLE t_measureunit (
  FMeasureUnitID INTEGER PRIMARY KEY,
  FUnitGroupID   INT NOT NULL DEFAULT 0,
  FNumber        NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FName          NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FCoefficient   DECIMAL(28,10) NOT NULL DEFAULT 1 CHECK (FCoefficient IS NULL OR (typeof(FCoefficient) IN ('integer', 'real') AND abs(FCoefficient) < 1e18)),
  UUID           NVARCHAR(40) COLLATE NOCASE DEFAULT (
    upper(hex(randomblob(4))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(2))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(6))))
);

-- Settlement methods of receive bills.
CREATE TABLE t_settle (
  FItemID INTEGER PRIMARY KEY,
  FNumber NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FName   NVARCHAR(80) COLLATE NOCASE NOT NULL
);

-- Enumerations of the receivable/payable system: contract types and bill
-- types, told apart by FTypeID.
CREATE TABLE t_RP_SystemEnum (
  FItemID INTEGER PRIMARY KEY,
  FTypeID INT NOT NULL,
  FNumber NVARCHAR(80) COLLATE NOCASE,
  FName   NVARCHAR(80) COLLATE NOCASE NOT NULL
);

-- Receivable/payable documents and their plans ----------------------------

-- Document headers that carry a collection/payment plan. FRP 1 receivable,
-- 0 payable; FType 3 and 13 are the plan-bearing document types.
CREATE TABLE t_rp_contact (
  FID              INTEGER PRIMARY KEY,
  FNumber          NVARCHAR(80) COLLATE NOCASE NOT NULL,
  FRP              SMALLINT NOT NULL,
  FType            INT NOT NULL,
  FYear            INT,
  FPeriod          INT,
  FDate            DATETIME COLLATE DATETIME CONSTRAINT FDate_is_a_date CHECK (FDate IS NULL OR (typeof(FDate) = 'text'
                     AND length(CAST(FDate AS BLOB)) = length(FDate)
                     AND substr(FDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FDate, 1, 4) >= '1753'
                     AND substr(FDate, 6, 2) BETWEEN '01' AND '12'
                     AND substr(FDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FDate, 6, 2) * 2 - 1, 2)
                     AND (substr(FDate, 6, 5) <> '02-29' OR (substr(FDate, 1, 4) % 4 = 0 AND (substr(FDate, 1, 4) % 100 <> 0 OR substr(FDate, 1, 4) % 400 = 0)))
                     AND (length(FDate) = 10 OR (substr(FDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FDate, 12, 2) <= '23'
                       AND (length(FDate) = 16 OR (substr(FDate, 17, 3) GLOB ':[0-5][0-9]'
                         AND (length(FDate) = 19 OR (length(FDate) > 20 AND substr(FDate, 20, 1) = '.' AND substr(FDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FCustomer        INT,
  FDepartment      INT,
  FEmployee        INT,
  FCurrencyID      INT,
  FExchangerate    DECIMAL(28,10) CHECK (FExchangerate IS NULL OR (typeof(FExchangerate) IN ('integer', 'real') AND abs(FExchangerate) < 1e18)),
  FAmount          DECIMAL(28,10) CHECK (FAmount IS NULL OR (typeof(FAmount) IN ('integer', 'real') AND abs(FAmount) < 1e18)),
  FAmountFor       DECIMAL(28,10) CHECK (FAmountFor IS NULL OR (typeof(FAmountFor) IN ('integer', 'real') AND abs(FAmountFor) < 1e18)),
  FRemainAmount    DECIMAL(28,10) CHECK (FRemainAmount IS NULL OR (typeof(FRemainAmount) IN ('integer', 'real') AND abs(FRemainAmount) < 1e18)),
  FRemainAmountFor DECIMAL(28,10) CHECK (FRemainAmountFor IS NULL OR (typeof(FRemainAmountFor) IN ('integer', 'real') AND abs(FRemainAmountFor) < 1e18)),
  FContractNo      NVARCHAR(255) COLLATE NOCASE,
  FExplanation     NVARCHAR(255) COLLATE NOCASE,
  FModifyTime      ROWVERSION
);
CREATE INDEX ix_rp_contact_ModifyTime ON t_rp_contact (FModifyTime);
CREATE INDEX ix_rp_contact_Customer ON t_rp_contact (FCustomer);

CREATE TABLE t_rp_plan_ar (
  FID              INTEGER PRIMARY KEY,
  FOrgID           INT NOT NULL,
  FIndex           INT NOT NULL DEFAULT 0,
  FDate            DATETIME COLLATE DATETIME CONSTRAINT FDate_is_a_date CHECK (FDate IS NULL OR (typeof(FDate) = 'text'
                     AND length(CAST(FDate AS BLOB)) = length(FDate)
                     AND substr(FDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FDate, 1, 4) >= '1753'
                     AND substr(FDate, 6, 2) BETWEEN '01' AND '12'
                     AND substr(FDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FDate, 6, 2) * 2 - 1, 2)
                     AND (substr(FDate, 6, 5) <> '02-29' OR (substr(FDate, 1, 4) % 4 = 0 AND (substr(FDate, 1, 4) % 100 <> 0 OR substr(FDate, 1, 4) % 400 = 0)))
                     AND (length(FDate) = 10 OR (substr(FDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FDate, 12, 2) <= '23'
                       AND (length(FDate) = 16 OR (substr(FDate, 17, 3) GLOB ':[0-5][0-9]'
                         AND (length(FDate) = 19 OR (length(FDate) > 20 AND substr(FDate, 20, 1) = '.' AND substr(FDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FAmount          DECIMAL(28,10) CHECK (FAmount IS NULL OR (typeof(FAmount) IN ('integer', 'real') AND abs(FAmount) < 1e18)),
  FAmountFor       DECIMAL(28,10) CHECK (FAmountFor IS NULL OR (typeof(FAmountFor) IN ('integer', 'real') AND abs(FAmountFor) < 1e18)),
  FRemainAmount    DECIMAL(28,10) CHECK (FRemainAmount IS NULL OR (typeof(FRemainAmount) IN ('integer', 'real') AND abs(FRemainAmount) < 1e18)),
  FRemainAmountFor DECIMAL(28,10) CHECK (FRemainAmountFor IS NULL OR (typeof(FRemainAmountFor) IN ('integer', 'real') AND abs(FRemainAmountFor) < 1e18))
);
CREATE INDEX ix_rp_plan_ar_Org ON t_rp_plan_ar (FOrgID);

CREATE TABLE t_Rp_plan_ap (
  FID              INTEGER PRIMARY KEY,
  FOrgID           INT NOT NULL,
  FIndex           INT NOT NULL DEFAULT 0,
  FDate            DATETIME COLLATE DATETIME CONSTRAINT FDate_is_a_date CHECK (FDate IS NULL OR (typeof(FDate) = 'text'
                     AND length(CAST(FDate AS BLOB)) = length(FDate)
                     AND substr(FDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FDate, 1, 4) >= '1753'
                     AND substr(FDate, 6, 2) BETWEEN '01' AND '12'
                     AND substr(FDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FDate, 6, 2) * 2 - 1, 2)
                     AND (substr(FDate, 6, 5) <> '02-29' OR (substr(FDate, 1, 4) % 4 = 0 AND (substr(FDate, 1, 4) % 100 <> 0 OR substr(FDate, 1, 4) % 400 = 0)))
                     AND (length(FDate) = 10 OR (substr(FDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FDate, 12, 2) <= '23'
                       AND (length(FDate) = 16 OR (substr(FDate, 17, 3) GLOB ':[0-5][0-9]'
                         AND (length(FDate) = 19 OR (length(FDate) > 20 AND substr(FDate, 20, 1) = '.' AND substr(FDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FAmount          DECIMAL(28,10) CHECK (FAmount IS NULL OR (typeof(FAmount) IN ('integer', 'real') AND abs(FAmount) < 1e18)),
  FAmountFor       DECIMAL(28,10) CHECK (FAmountFor IS NULL OR (typeof(FAmountFor) IN ('integer', 'real') AND abs(FAmountFor) < 1e18)),
  FRemainAmount    DECIMAL(28,10) CHECK (FRemainAmount IS NULL OR (typeof(FRemainAmount) IN ('integer', 'real') AND abs(FRemainAmount) < 1e18)),
  FRemainAmountFor DECIMAL(28,10) CHECK (FRemainAmountFor IS NULL OR (typeof(FRemainAmountFor) IN ('integer', 'real') AND abs(FRemainAmountFor) < 1e18))
);
CREATE INDEX ix_Rp_plan_ap_Org ON t_Rp_plan_ap (FOrgID);

-- The plan entries of both plan tables without duplicates: what the plan
-- export's union of the two tables gives, kept up by the triggers below so
-- that a page reads the entries of its own headers through an index instead
-- of combining the whole tables for every page. FRows counts the plan rows
-- with these values; FDateKey is the date by value (julianday of its first
-- 23 characters, which is to the millisecond what the DATETIME collation
-- compares), so the triggers need no collation and plain clients can still
-- write plan rows.
CREATE TABLE t_rp_plan_union (
  FOrgID           INT,
  FDate            DATETIME COLLATE DATETIME CONSTRAINT FDate_is_a_date CHECK (FDate IS NULL OR (typeof(FDate) = 'text'
                     AND length(CAST(FDate AS BLOB)) = length(FDate)
                     AND substr(FDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FDate, 1, 4) >= '1753'
                     AND substr(FDate, 6, 2) BETWEEN '01' AND '12'
                     AND substr(FDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FDate, 6, 2) * 2 - 1, 2)
                     AND (substr(FDate, 6, 5) <> '02-29' OR (substr(FDate, 1, 4) % 4 = 0 AND (substr(FDate, 1, 4) % 100 <> 0 OR substr(FDate, 1, 4) % 400 = 0)))
                     AND (length(FDate) = 10 OR (substr(FDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FDate, 12, 2) <= '23'
                       AND (length(FDate) = 16 OR (substr(FDate, 17, 3) GLOB ':[0-5][0-9]'
                         AND (length(FDate) = 19 OR (length(FDate) > 20 AND substr(FDate, 20, 1) = '.' AND substr(FDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FRemainAmountFor DECIMAL(28,10),
  FDateKey         REAL,
  FRows            INT NOT NULL
);
CREATE INDEX ix_rp_plan_union ON t_rp_plan_union (FOrgID, FDateKey, FRemainAmountFor);

CREATE TRIGGER tr_t_rp_plan_ar_union_insert AFTER INSERT ON t_rp_plan_ar
BEGIN
  INSERT INTO t_rp_plan_union (FOrgID, FDate, FRemainAmountFor, FDateKey, FRows)
    SELECT NEW.FOrgID, NEW.FDate, NEW.FRemainAmountFor, julianday(substr(NEW.FDate, 1, 23)), 0
    WHERE NOT EXISTS (SELECT 1 FROM t_rp_plan_union WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor);
  UPDATE t_rp_plan_union SET FRows = FRows + 1 WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor;
END;

CREATE TRIGGER tr_t_rp_plan_ar_union_delete AFTER DELETE ON t_rp_plan_ar
BEGIN
  UPDATE t_rp_plan_union SET FRows = FRows - 1 WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor;
  DELETE FROM t_rp_plan_union WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor AND FRows = 0;
END;

CREATE TRIGGER tr_t_rp_plan_ar_union_update AFTER UPDATE OF FOrgID, FDate, FRemainAmountFor ON t_rp_plan_ar
BEGIN
  UPDATE t_rp_plan_union SET FRows = FRows - 1 WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor;
  DELETE FROM t_rp_plan_union WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor AND FRows = 0;
  INSERT INTO t_rp_plan_union (FOrgID, FDate, FRemainAmountFor, FDateKey, FRows)
    SELECT NEW.FOrgID, NEW.FDate, NEW.FRemainAmountFor, julianday(substr(NEW.FDate, 1, 23)), 0
    WHERE NOT EXISTS (SELECT 1 FROM t_rp_plan_union WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor);
  UPDATE t_rp_plan_union SET FRows = FRows + 1 WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor;
END;

CREATE TRIGGER tr_t_Rp_plan_ap_union_insert AFTER INSERT ON t_Rp_plan_ap
BEGIN
  INSERT INTO t_rp_plan_union (FOrgID, FDate, FRemainAmountFor, FDateKey, FRows)
    SELECT NEW.FOrgID, NEW.FDate, NEW.FRemainAmountFor, julianday(substr(NEW.FDate, 1, 23)), 0
    WHERE NOT EXISTS (SELECT 1 FROM t_rp_plan_union WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor);
  UPDATE t_rp_plan_union SET FRows = FRows + 1 WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor;
END;

CREATE TRIGGER tr_t_Rp_plan_ap_union_delete AFTER DELETE ON t_Rp_plan_ap
BEGIN
  UPDATE t_rp_plan_union SET FRows = FRows - 1 WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor;
  DELETE FROM t_rp_plan_union WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor AND FRows = 0;
END;

CREATE TRIGGER tr_t_Rp_plan_ap_union_update AFTER UPDATE OF FOrgID, FDate, FRemainAmountFor ON t_Rp_plan_ap
BEGIN
  UPDATE t_rp_plan_union SET FRows = FRows - 1 WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor;
  DELETE FROM t_rp_plan_union WHERE FOrgID IS OLD.FOrgID AND FDateKey IS julianday(substr(OLD.FDate, 1, 23)) AND FRemainAmountFor IS OLD.FRemainAmountFor AND FRows = 0;
  INSERT INTO t_rp_plan_union (FOrgID, FDate, FRemainAmountFor, FDateKey, FRows)
    SELECT NEW.FOrgID, NEW.FDate, NEW.FRemainAmountFor, julianday(substr(NEW.FDate, 1, 23)), 0
    WHERE NOT EXISTS (SELECT 1 FROM t_rp_plan_union WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor);
  UPDATE t_rp_plan_union SET FRows = FRows + 1 WHERE FOrgID IS NEW.FOrgID AND FDateKey IS julianday(substr(NEW.FDate, 1, 23)) AND FRemainAmountFor IS NEW.FRemainAmountFor;
END;

-- Contracts ------------------------------------------------------------------

CREATE TABLE t_RPContract (
  FContractID       INTEGER PRIMARY KEY,
  FRP               SMALLINT NOT NULL DEFAULT 1,
  FSystemType       INT NOT NULL DEFAULT 1,
  FContractTypeID   INT,
  FContractNo       NVARCHAR(255) COLLATE NOCASE,
  FContractName     NVARCHAR(255) COLLATE NOCASE,
  FDate             DATETIME COLLATE DATETIME CONSTRAINT FDate_is_a_date CHECK (FDate IS NULL OR (typeof(FDate) = 'text'
                      AND length(CAST(FDate AS BLOB)) = length(FDate)
                      AND substr(FDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FDate, 1, 4) >= '1753'
                      AND substr(FDate, 6, 2) BETWEEN '01' AND '12'
                      AND substr(FDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FDate, 6, 2) * 2 - 1, 2)
                      AND (substr(FDate, 6, 5) <> '02-29' OR (substr(FDate, 1, 4) % 4 = 0 AND (substr(FDate, 1, 4) % 100 <> 0 OR substr(FDate, 1, 4) % 400 = 0)))
                      AND (length(FDate) = 10 OR (substr(FDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FDate, 12, 2) <= '23'
                        AND (length(FDate) = 16 OR (substr(FDate, 17, 3) GLOB ':[0-5][0-9]'
                          AND (length(FDate) = 19 OR (length(FDate) > 20 AND substr(FDate, 20, 1) = '.' AND substr(FDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FCustomer         INT,
  FDepartment       INT,
  FEmployee         INT,
  FCurrencyID       INT,
  FExchangeRate     DECIMAL(28,10) CHECK (FExchangeRate IS NULL OR (typeof(FExchangeRate) IN ('integer', 'real') AND abs(FExchangeRate) < 1e18)),
  FTotalAmountFor   DECIMAL(28,10) CHECK (FTotalAmountFor IS NULL OR (typeof(FTotalAmountFor) IN ('integer', 'real') AND abs(FTotalAmountFor) < 1e18)),
  FTotalAmount      DECIMAL(28,10) CHECK (FTotalAmount IS NULL OR (typeof(FTotalAmount) IN ('integer', 'real') AND abs(FTotalAmount) < 1e18)),
  FReceiveAmountFor DECIMAL(28,10) CHECK (FReceiveAmountFor IS NULL OR (typeof(FReceiveAmountFor) IN ('integer', 'real') AND abs(FReceiveAmountFor) < 1e18)),
  FCashDiscount     NVARCHAR(255) COLLATE NOCASE,
  FExplanation      NVARCHAR(255) COLLATE NOCASE,
  FText             NVARCHAR(2000) COLLATE NOCASE,
  FXItemID          INT,
  FStatus           SMALLINT NOT NULL DEFAULT 0,
  UUID              NVARCHAR(40) COLLATE NOCASE DEFAULT (
    upper(hex(randomblob(4))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(2))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(6)))),
  FModifyTime       ROWVERSION
);
-- A side's contracts in the order of their row versions: a contract page
-- walks them from its bound and its newest version is one seek, where an
-- index on the side alone would read and sort every contract of the side.
CREATE INDEX ix_RPContract_RP_ModifyTime ON t_RPContract (FRP, FModifyTime);
CREATE INDEX ix_RPContract_No ON t_RPContract (FRP, FContractNo);
-- Plan and bill rows find their contract by number alone.
CREATE INDEX ix_RPContract_ContractNo ON t_RPContract (FContractNo);
-- A contract number is unique per side and system type; contracts without a
-- number are not looked up by it and may be many.
CREATE UNIQUE INDEX ux_RPContract_No ON t_RPContract (FRP, FContractNo, FSystemType) WHERE FContractNo <> '';
CREATE INDEX ix_RPContract_UUID ON t_RPContract (UUID);

CREATE TABLE t_rpcontractentry (
  FEntryID              INTEGER PRIMARY KEY,
  FContractID           INT NOT NULL,
  FIndex                INT NOT NULL DEFAULT 0,
  FProductID            INT,
  FUnitID               INT,
  FQuantity             DECIMAL(28,10) CHECK (FQuantity IS NULL OR (typeof(FQuantity) IN ('integer', 'real') AND abs(FQuantity) < 1e18)),
  FPriceFor             DECIMAL(28,10) CHECK (FPriceFor IS NULL OR (typeof(FPriceFor) IN ('integer', 'real') AND abs(FPriceFor) < 1e18)),
  FTaxPriceFor          DECIMAL(28,10) CHECK (FTaxPriceFor IS NULL OR (typeof(FTaxPriceFor) IN ('integer', 'real') AND abs(FTaxPriceFor) < 1e18)),
  FTaxRate              DECIMAL(28,10) CHECK (FTaxRate IS NULL OR (typeof(FTaxRate) IN ('integer', 'real') AND abs(FTaxRate) < 1e18)),
  FBusinessDiscountRate DECIMAL(28,10) CHECK (FBusinessDiscountRate IS NULL OR (typeof(FBusinessDiscountRate) IN ('integer', 'real') AND abs(FBusinessDiscountRate) < 1e18)),
  FBusinessDiscountFor  DECIMAL(28,10) CHECK (FBusinessDiscountFor IS NULL OR (typeof(FBusinessDiscountFor) IN ('integer', 'real') AND abs(FBusinessDiscountFor) < 1e18)),
  FAmountFor            DECIMAL(28,10) CHECK (FAmountFor IS NULL OR (typeof(FAmountFor) IN ('integer', 'real') AND abs(FAmountFor) < 1e18)),
  FTaxFor               DECIMAL(28,10) CHECK (FTaxFor IS NULL OR (typeof(FTaxFor) IN ('integer', 'real') AND abs(FTaxFor) < 1e18)),
  FAmountIncludeTaxFor  DECIMAL(28,10) CHECK (FAmountIncludeTaxFor IS NULL OR (typeof(FAmountIncludeTaxFor) IN ('integer', 'real') AND abs(FAmountIncludeTaxFor) < 1e18)),
  FExplanation          NVARCHAR(255) COLLATE NOCASE
);
CREATE INDEX ix_rpcontractentry_Contract ON t_rpcontractentry (FContractID);

-- Collection plan lines of a contract.
CREATE TABLE t_rpcontractscheme (
  FEntryID      INTEGER PRIMARY KEY,
  FContractID   INT NOT NULL,
  FIndex        INT NOT NULL DEFAULT 0,
  FReceiveDate  DATETIME COLLATE DATETIME CONSTRAINT FReceiveDate_is_a_date CHECK (FReceiveDate IS NULL OR (typeof(FReceiveDate) = 'text'
                  AND length(CAST(FReceiveDate AS BLOB)) = length(FReceiveDate)
                  AND substr(FReceiveDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FReceiveDate, 1, 4) >= '1753'
                  AND substr(FReceiveDate, 6, 2) BETWEEN '01' AND '12'
                  AND substr(FReceiveDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FReceiveDate, 6, 2) * 2 - 1, 2)
                  AND (substr(FReceiveDate, 6, 5) <> '02-29' OR (substr(FReceiveDate, 1, 4) % 4 = 0 AND (substr(FReceiveDate, 1, 4) % 100 <> 0 OR substr(FReceiveDate, 1, 4) % 400 = 0)))
                  AND (length(FReceiveDate) = 10 OR (substr(FReceiveDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FReceiveDate, 12, 2) <= '23'
                    AND (length(FReceiveDate) = 16 OR (substr(FReceiveDate, 17, 3) GLOB ':[0-5][0-9]'
                      AND (length(FReceiveDate) = 19 OR (length(FReceiveDate) > 20 AND substr(FReceiveDate, 20, 1) = '.' AND substr(FReceiveDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FAmountFor    DECIMAL(28,10) CHECK (FAmountFor IS NULL OR (typeof(FAmountFor) IN ('integer', 'real') AND abs(FAmountFor) < 1e18)),
  FCurrencyID   INT,
  FExchangeRate DECIMAL(28,10) CHECK (FExchangeRate IS NULL OR (typeof(FExchangeRate) IN ('integer', 'real') AND abs(FExchangeRate) < 1e18))
);
CREATE INDEX ix_rpcontractscheme_Contract ON t_rpcontractscheme (FContractID);

-- Receive bills (FPre 0) and advance receipts (FPre 1) ----------------------

CREATE TABLE t_RP_NewReceiveBill (
  FBillID            INTEGER PRIMARY KEY,
  FNumber            NVARCHAR(80) COLLATE NOCASE,
  FRP                SMALLINT NOT NULL DEFAULT 1,
  FPre               SMALLINT NOT NULL DEFAULT 0,
  FYear              INT,
  FPeriod            INT,
  FDate              DATETIME COLLATE DATETIME CONSTRAINT FDate_is_a_date CHECK (FDate IS NULL OR (typeof(FDate) = 'text'
                       AND length(CAST(FDate AS BLOB)) = length(FDate)
                       AND substr(FDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FDate, 1, 4) >= '1753'
                       AND substr(FDate, 6, 2) BETWEEN '01' AND '12'
                       AND substr(FDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FDate, 6, 2) * 2 - 1, 2)
                       AND (substr(FDate, 6, 5) <> '02-29' OR (substr(FDate, 1, 4) % 4 = 0 AND (substr(FDate, 1, 4) % 100 <> 0 OR substr(FDate, 1, 4) % 400 = 0)))
                       AND (length(FDate) = 10 OR (substr(FDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FDate, 12, 2) <= '23'
                         AND (length(FDate) = 16 OR (substr(FDate, 17, 3) GLOB ':[0-5][0-9]'
                           AND (length(FDate) = 19 OR (length(FDate) > 20 AND substr(FDate, 20, 1) = '.' AND substr(FDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FFincDate          DATETIME COLLATE DATETIME CONSTRAINT FFincDate_is_a_date CHECK (FFincDate IS NULL OR (typeof(FFincDate) = 'text'
                       AND length(CAST(FFincDate AS BLOB)) = length(FFincDate)
                       AND substr(FFincDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FFincDate, 1, 4) >= '1753'
                       AND substr(FFincDate, 6, 2) BETWEEN '01' AND '12'
                       AND substr(FFincDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FFincDate, 6, 2) * 2 - 1, 2)
                       AND (substr(FFincDate, 6, 5) <> '02-29' OR (substr(FFincDate, 1, 4) % 4 = 0 AND (substr(FFincDate, 1, 4) % 100 <> 0 OR substr(FFincDate, 1, 4) % 400 = 0)))
                       AND (length(FFincDate) = 10 OR (substr(FFincDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FFincDate, 12, 2) <= '23'
                         AND (length(FFincDate) = 16 OR (substr(FFincDate, 17, 3) GLOB ':[0-5][0-9]'
                           AND (length(FFincDate) = 19 OR (length(FFincDate) > 20 AND substr(FFincDate, 20, 1) = '.' AND substr(FFincDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FBillType          INT,
  FCustomer          INT,
  FDepartment        INT,
  FEmployee          INT,
  FRPBank            NVARCHAR(255) COLLATE NOCASE,
  FSettle            INT,
  FSettleNo          NVARCHAR(255) COLLATE NOCASE,
  FReceiveCyID       INT,
  FSettleCyID        INT,
  FCurrencyID        INT,
  FExchangeRate      DECIMAL(28,10) CHECK (FExchangeRate IS NULL OR (typeof(FExchangeRate) IN ('integer', 'real') AND abs(FExchangeRate) < 1e18)),
  FMulCy             BIT DEFAULT 0,
  FAmount            DECIMAL(28,10) CHECK (FAmount IS NULL OR (typeof(FAmount) IN ('integer', 'real') AND abs(FAmount) < 1e18)),
  FAmountFor         DECIMAL(28,10) CHECK (FAmountFor IS NULL OR (typeof(FAmountFor) IN ('integer', 'real') AND abs(FAmountFor) < 1e18)),
  FSettleAmount      DECIMAL(28,10) CHECK (FSettleAmount IS NULL OR (typeof(FSettleAmount) IN ('integer', 'real') AND abs(FSettleAmount) < 1e18)),
  FSettleAmountFor   DECIMAL(28,10) CHECK (FSettleAmountFor IS NULL OR (typeof(FSettleAmountFor) IN ('integer', 'real') AND abs(FSettleAmountFor) < 1e18)),
  FSettleDiscount    DECIMAL(28,10) CHECK (FSettleDiscount IS NULL OR (typeof(FSettleDiscount) IN ('integer', 'real') AND abs(FSettleDiscount) < 1e18)),
  FSettleDiscountFor DECIMAL(28,10) CHECK (FSettleDiscountFor IS NULL OR (typeof(FSettleDiscountFor) IN ('integer', 'real') AND abs(FSettleDiscountFor) < 1e18)),
  FDiscountAmount    DECIMAL(28,10) CHECK (FDiscountAmount IS NULL OR (typeof(FDiscountAmount) IN ('integer', 'real') AND abs(FDiscountAmount) < 1e18)),
  FDiscountAmountFor DECIMAL(28,10) CHECK (FDiscountAmountFor IS NULL OR (typeof(FDiscountAmountFor) IN ('integer', 'real') AND abs(FDiscountAmountFor) < 1e18)),
  FReceiveAmount     DECIMAL(28,10) CHECK (FReceiveAmount IS NULL OR (typeof(FReceiveAmount) IN ('integer', 'real') AND abs(FReceiveAmount) < 1e18)),
  FReceiveAmountFor  DECIMAL(28,10) CHECK (FReceiveAmountFor IS NULL OR (typeof(FReceiveAmountFor) IN ('integer', 'real') AND abs(FReceiveAmountFor) < 1e18)),
  FARNumber          NVARCHAR(255) COLLATE NOCASE,
  FContractNo        NVARCHAR(255) COLLATE NOCASE,
  FContractID        INT,
  FExplanation       NVARCHAR(255) COLLATE NOCASE,
  FChecker           INT,
  FCheckDate         DATETIME COLLATE DATETIME CONSTRAINT FCheckDate_is_a_date CHECK (FCheckDate IS NULL OR (typeof(FCheckDate) = 'text'
                       AND length(CAST(FCheckDate AS BLOB)) = length(FCheckDate)
                       AND substr(FCheckDate, 1, 10) GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND substr(FCheckDate, 1, 4) >= '1753'
                       AND substr(FCheckDate, 6, 2) BETWEEN '01' AND '12'
                       AND substr(FCheckDate, 9, 2) BETWEEN '01' AND substr('312931303130313130313031', substr(FCheckDate, 6, 2) * 2 - 1, 2)
                       AND (substr(FCheckDate, 6, 5) <> '02-29' OR (substr(FCheckDate, 1, 4) % 4 = 0 AND (substr(FCheckDate, 1, 4) % 100 <> 0 OR substr(FCheckDate, 1, 4) % 400 = 0)))
                       AND (length(FCheckDate) = 10 OR (substr(FCheckDate, 11, 6) GLOB '[ T][0-2][0-9]:[0-5][0-9]' AND substr(FCheckDate, 12, 2) <= '23'
                         AND (length(FCheckDate) = 16 OR (substr(FCheckDate, 17, 3) GLOB ':[0-5][0-9]'
                           AND (length(FCheckDate) = 19 OR (length(FCheckDate) > 20 AND substr(FCheckDate, 20, 1) = '.' AND substr(FCheckDate, 21) NOT GLOB '*[^0-9]*')))))))),
  FPreparer          INT,
  UUID               NVARCHAR(40) COLLATE NOCASE DEFAULT (
    upper(hex(randomblob(4))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(2))) || '-' || upper(hex(randomblob(2))) || '-' ||
    upper(hex(randomblob(6)))),
  FModifyTime        ROWVERSION
);
CREATE INDEX ix_RP_NewReceiveBill_ModifyTime ON t_RP_NewReceiveBill (FModifyTime);
CREATE INDEX ix_RP_NewReceiveBill_UUID ON t_RP_NewReceiveBill (UUID);

-- Change log ------------------------------------------------------------------

-- FSystemFlag 2 marks the receivable/payable system; FType -1 contract,
-- 5 receive bill, 15 advance receipt; FIfDelete 1 a deletion.
CREATE TABLE COM_DataChange (
  FID          INTEGER PRIMARY KEY,
  FSystemFlag  INT NOT NULL,
  FType        INT NOT NULL,
  FIfDelete    SMALLINT NOT NULL DEFAULT 0,
  FChangedUUID NVARCHAR(40) COLLATE NOCASE,
  FTimeStamp   ROWVERSION
);
-- The deletion export pages through this table without ORDER BY and takes the
-- greatest FTimeStamp of the page as its next bound. Through this index SQLite
-- reads the matching rows in FTimeStamp order, so a page holds the oldest
-- deletions after the bound and none is skipped by the next one.
CREATE INDEX ix_DataChange_Type ON COM_DataChange (FSystemFlag, FType, FIfDelete, FTimeStamp);

-- Row version triggers ----------------------------------------------------------
-- After an insert and after any update that did not change the row version
-- itself, the counter moves on and the row takes its new value. The WHEN
-- clause keeps the trigger's own write from firing the update trigger again.

CREATE TRIGGER tr_rp_contact_rv_insert AFTER INSERT ON t_rp_contact
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE t_rp_contact SET FModifyTime = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FID = NEW.FID;
END;
CREATE TRIGGER tr_rp_contact_rv_update AFTER UPDATE ON t_rp_contact
WHEN NEW.FModifyTime IS OLD.FModifyTime
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE t_rp_contact SET FModifyTime = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FID = NEW.FID;
END;

CREATE TRIGGER tr_RPContract_rv_insert AFTER INSERT ON t_RPContract
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE t_RPContract SET FModifyTime = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FContractID = NEW.FContractID;
END;
CREATE TRIGGER tr_RPContract_rv_update AFTER UPDATE ON t_RPContract
WHEN NEW.FModifyTime IS OLD.FModifyTime
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE t_RPContract SET FModifyTime = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FContractID = NEW.FContractID;
END;

CREATE TRIGGER tr_RP_NewReceiveBill_rv_insert AFTER INSERT ON t_RP_NewReceiveBill
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE t_RP_NewReceiveBill SET FModifyTime = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FBillID = NEW.FBillID;
END;
CREATE TRIGGER tr_RP_NewReceiveBill_rv_update AFTER UPDATE ON t_RP_NewReceiveBill
WHEN NEW.FModifyTime IS OLD.FModifyTime
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE t_RP_NewReceiveBill SET FModifyTime = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FBillID = NEW.FBillID;
END;

CREATE TRIGGER tr_DataChange_rv_insert AFTER INSERT ON COM_DataChange
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE COM_DataChange SET FTimeStamp = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FID = NEW.FID;
END;
CREATE TRIGGER tr_DataChange_rv_update AFTER UPDATE ON COM_DataChange
WHEN NEW.FTimeStamp IS OLD.FTimeStamp
BEGIN
  UPDATE RowVersionCounter SET FLastValue = FLastValue + 1 WHERE FID = 1;
  UPDATE COM_DataChange SET FTimeStamp = (SELECT FRowVersion FROM RowVersionCurrent)
   WHERE FID = NEW.FID;
END;

-- As on SQL Server, a row version cannot be written: an update may leave it
-- alone or set it to the value the counter has just handed out (which is
-- what the triggers above do), nothing else.

CREATE TRIGGER tr_rp_contact_rv_guard BEFORE UPDATE OF FModifyTime ON t_rp_contact
WHEN NEW.FModifyTime IS NOT OLD.FModifyTime
 AND NEW.FModifyTime IS NOT (SELECT FRowVersion FROM RowVersionCurrent)
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;
CREATE TRIGGER tr_RPContract_rv_guard BEFORE UPDATE OF FModifyTime ON t_RPContract
WHEN NEW.FModifyTime IS NOT OLD.FModifyTime
 AND NEW.FModifyTime IS NOT (SELECT FRowVersion FROM RowVersionCurrent)
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;
CREATE TRIGGER tr_RP_NewReceiveBill_rv_guard BEFORE UPDATE OF FModifyTime ON t_RP_NewReceiveBill
WHEN NEW.FModifyTime IS NOT OLD.FModifyTime
 AND NEW.FModifyTime IS NOT (SELECT FRowVersion FROM RowVersionCurrent)
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;
CREATE TRIGGER tr_DataChange_rv_guard BEFORE UPDATE OF FTimeStamp ON COM_DataChange
WHEN NEW.FTimeStamp IS NOT OLD.FTimeStamp
 AND NEW.FTimeStamp IS NOT (SELECT FRowVersion FROM RowVersionCurrent)
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;

-- Deletions --------------------------------------------------------------------
-- Deleting a contract, a receive bill or an advance receipt logs its UUID in
-- the change log (the insert trigger above stamps the row); a contract takes
-- its entry and plan lines with it.

CREATE TRIGGER tr_RPContract_delete AFTER DELETE ON t_RPContract
BEGIN
  DELETE FROM t_rpcontractentry WHERE FContractID = OLD.FContractID;
  DELETE FROM t_rpcontractscheme WHERE FContractID = OLD.FContractID;
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  VALUES (2, -1, 1, OLD.UUID);
END;

CREATE TRIGGER tr_RP_NewReceiveBill_delete AFTER DELETE ON t_RP_NewReceiveBill
WHEN OLD.FPre IN (0, 1)
BEGIN
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  VALUES (2, CASE OLD.FPre WHEN 1 THEN 15 ELSE 5 END, 1, OLD.UUID);
END;
