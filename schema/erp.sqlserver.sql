-- The ERP tables the library reads, for SQL Server (2016 or later), with the
-- types, row versions, change-log triggers and unique contract numbers the
-- library and the demo data rely on. The embedded database's erp.sql is
-- the same schema for SQLite; `ovardx demo-db --props ...` runs this script
-- (batches end at lines holding only GO) before it writes the demo rows.
--
-- Row versions are SQL Server's own: every insert and update gives the row
-- the next value of the database's counter (@@DBTS). A DATETIME holds
-- milliseconds to 1/300 s; amounts are DECIMAL(28,10).

-- System profile and users -------------------------------------------------

CREATE TABLE T_SYSTEMPROFILE (
  FCategory    NVARCHAR(30) NOT NULL,
  FKey         NVARCHAR(50) NOT NULL,
  FValue       NVARCHAR(255) NULL,
  FDescription NVARCHAR(255) NULL,
  CONSTRAINT pk_SYSTEMPROFILE PRIMARY KEY (FCategory, FKey)
);

CREATE TABLE t_User (
  FUserID      INT NOT NULL CONSTRAINT pk_User PRIMARY KEY,
  FName        NVARCHAR(80) NOT NULL,
  FDescription NVARCHAR(255) NULL,
  FForbidden   SMALLINT NULL DEFAULT 0
);

-- Group membership; group 1 is the administrators group.
CREATE TABLE t_Group (
  FUserID  INT NOT NULL,
  FGroupID INT NOT NULL,
  CONSTRAINT pk_Group PRIMARY KEY (FUserID, FGroupID)
);

-- Per-user rights; object type 16 carries the web-service right (bit 20).
CREATE TABLE t_AccessControl (
  FID         INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_AccessControl PRIMARY KEY,
  FObjectType INT NOT NULL,
  FObjectID   INT NOT NULL DEFAULT 0,
  FUserID     INT NOT NULL,
  FAccessMask INT NULL
);
CREATE INDEX ix_AccessControl_User ON t_AccessControl (FUserID, FObjectType);

-- Base data -----------------------------------------------------------------

-- Items of every class: 1 customer, 2 department, 3 employee, 4 product.
CREATE TABLE t_item (
  FItemID      INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_item PRIMARY KEY,
  FItemClassID INT NOT NULL,
  FNumber      NVARCHAR(80) NOT NULL,
  FName        NVARCHAR(255) NOT NULL,
  FParentID    INT NOT NULL DEFAULT 0,
  FDetail      BIT NOT NULL DEFAULT 1,
  FDeleted     SMALLINT NOT NULL DEFAULT 0,
  UUID         NVARCHAR(40) NULL DEFAULT CONVERT(NVARCHAR(40), NEWID())
);
CREATE INDEX ix_item_Class_Number ON t_item (FItemClassID, FNumber);
CREATE INDEX ix_item_UUID ON t_item (UUID);

CREATE TABLE t_Currency (
  FCurrencyID   INT NOT NULL CONSTRAINT pk_Currency PRIMARY KEY,
  FNumber       NVARCHAR(80) NOT NULL,
  FName         NVARCHAR(80) NOT NULL,
  FScale        SMALLINT NOT NULL DEFAULT 2,
  FExchangeRate DECIMAL(28,10) NOT NULL DEFAULT 1,
  UUID          NVARCHAR(40) NULL DEFAULT CONVERT(NVARCHAR(40), NEWID())
);

CREATE TABLE t_measureunit (
  FMeasureUnitID INT NOT NULL CONSTRAINT pk_measureunit PRIMARY KEY,
  FUnitGroupID   INT NOT NULL DEFAULT 0,
  FNumber        NVARCHAR(80) NOT NULL,
  FName          NVARCHAR(80) NOT NULL,
  FCoefficient   DECIMAL(28,10) NOT NULL DEFAULT 1,
  UUID           NVARCHAR(40) NULL DEFAULT CONVERT(NVARCHAR(40), NEWID())
);

-- Settlement methods of receive bills.
CREATE TABLE t_settle (
  FItemID INT NOT NULL CONSTRAINT pk_settle PRIMARY KEY,
  FNumber NVARCHAR(80) NOT NULL,
  FName   NVARCHAR(80) NOT NULL
);

-- Contract types (FTypeID 1) and bill types (FTypeID 2).
CREATE TABLE t_RP_SystemEnum (
  FItemID INT NOT NULL CONSTRAINT pk_RP_SystemEnum PRIMARY KEY,
  FTypeID INT NOT NULL,
  FNumber NVARCHAR(80) NULL,
  FName   NVARCHAR(80) NOT NULL
);

-- Receivable/payable documents and their plans ----------------------------

-- FRP 1 receivable, 0 payable; FType 3 and 13 carry collection plans.
CREATE TABLE t_rp_contact (
  FID              INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_rp_contact PRIMARY KEY,
  FNumber          NVARCHAR(80) NOT NULL,
  FRP              SMALLINT NOT NULL,
  FType            INT NOT NULL,
  FYear            INT NULL,
  FPeriod          INT NULL,
  FDate            DATETIME NULL,
  FCustomer        INT NULL,
  FDepartment      INT NULL,
  FEmployee        INT NULL,
  FCurrencyID      INT NULL,
  FExchangerate    DECIMAL(28,10) NULL,
  FAmount          DECIMAL(28,10) NULL,
  FAmountFor       DECIMAL(28,10) NULL,
  FRemainAmount    DECIMAL(28,10) NULL,
  FRemainAmountFor DECIMAL(28,10) NULL,
  FContractNo      NVARCHAR(255) NULL,
  FExplanation     NVARCHAR(255) NULL,
  FModifyTime      ROWVERSION
);
CREATE INDEX ix_rp_contact_ModifyTime ON t_rp_contact (FModifyTime);
CREATE INDEX ix_rp_contact_Customer ON t_rp_contact (FCustomer);

CREATE TABLE t_rp_plan_ar (
  FID              INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_rp_plan_ar PRIMARY KEY,
  FOrgID           INT NOT NULL,
  FIndex           INT NOT NULL DEFAULT 0,
  FDate            DATETIME NULL,
  FAmount          DECIMAL(28,10) NULL,
  FAmountFor       DECIMAL(28,10) NULL,
  FRemainAmount    DECIMAL(28,10) NULL,
  FRemainAmountFor DECIMAL(28,10) NULL
);
CREATE INDEX ix_rp_plan_ar_Org ON t_rp_plan_ar (FOrgID);

CREATE TABLE t_Rp_plan_ap (
  FID              INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_Rp_plan_ap PRIMARY KEY,
  FOrgID           INT NOT NULL,
  FIndex           INT NOT NULL DEFAULT 0,
  FDate            DATETIME NULL,
  FAmount          DECIMAL(28,10) NULL,
  FAmountFor       DECIMAL(28,10) NULL,
  FRemainAmount    DECIMAL(28,10) NULL,
  FRemainAmountFor DECIMAL(28,10) NULL
);
CREATE INDEX ix_Rp_plan_ap_Org ON t_Rp_plan_ap (FOrgID);

-- Contracts ------------------------------------------------------------------

CREATE TABLE t_RPContract (
  FContractID       INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_RPContract PRIMARY KEY,
  FRP               SMALLINT NOT NULL DEFAULT 1,
  FSystemType       INT NOT NULL DEFAULT 1,
  FContractTypeID   INT NULL,
  FContractNo       NVARCHAR(255) NULL,
  FContractName     NVARCHAR(255) NULL,
  FDate             DATETIME NULL,
  FCustomer         INT NULL,
  FDepartment       INT NULL,
  FEmployee         INT NULL,
  FCurrencyID       INT NULL,
  FExchangeRate     DECIMAL(28,10) NULL,
  FTotalAmountFor   DECIMAL(28,10) NULL,
  FTotalAmount      DECIMAL(28,10) NULL,
  FReceiveAmountFor DECIMAL(28,10) NULL,
  FCashDiscount     NVARCHAR(255) NULL,
  FExplanation      NVARCHAR(255) NULL,
  FText             NVARCHAR(2000) NULL,
  FXItemID          INT NULL,
  FStatus           SMALLINT NOT NULL DEFAULT 0,
  UUID              NVARCHAR(40) NULL DEFAULT CONVERT(NVARCHAR(40), NEWID()),
  FModifyTime       ROWVERSION
);
-- A side's contracts in the order of their row versions: a contract page
-- walks them from its bound and its newest version is one seek, where an
-- index on the side alone would read and sort every contract of the side.
CREATE INDEX ix_RPContract_RP_ModifyTime ON t_RPContract (FRP, FModifyTime);
CREATE INDEX ix_RPContract_No ON t_RPContract (FRP, FContractNo);
CREATE INDEX ix_RPContract_ContractNo ON t_RPContract (FContractNo);
-- A contract number is unique per side and system type; contracts without a
-- number are not looked up by it and may be many.
CREATE UNIQUE INDEX ux_RPContract_No ON t_RPContract (FRP, FContractNo, FSystemType) WHERE FContractNo <> '';
CREATE INDEX ix_RPContract_UUID ON t_RPContract (UUID);

CREATE TABLE t_rpcontractentry (
  FEntryID              INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_rpcontractentry PRIMARY KEY,
  FContractID           INT NOT NULL,
  FIndex                INT NOT NULL DEFAULT 0,
  FProductID            INT NULL,
  FUnitID               INT NULL,
  FQuantity             DECIMAL(28,10) NULL,
  FPriceFor             DECIMAL(28,10) NULL,
  FTaxPriceFor          DECIMAL(28,10) NULL,
  FTaxRate              DECIMAL(28,10) NULL,
  FBusinessDiscountRate DECIMAL(28,10) NULL,
  FBusinessDiscountFor  DECIMAL(28,10) NULL,
  FAmountFor            DECIMAL(28,10) NULL,
  FTaxFor               DECIMAL(28,10) NULL,
  FAmountIncludeTaxFor  DECIMAL(28,10) NULL,
  FExplanation          NVARCHAR(255) NULL
);
CREATE INDEX ix_rpcontractentry_Contract ON t_rpcontractentry (FContractID);

-- Collection plan lines of a contract.
CREATE TABLE t_rpcontractscheme (
  FEntryID      INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_rpcontractscheme PRIMARY KEY,
  FContractID   INT NOT NULL,
  FIndex        INT NOT NULL DEFAULT 0,
  FReceiveDate  DATETIME NULL,
  FAmountFor    DECIMAL(28,10) NULL,
  FCurrencyID   INT NULL,
  FExchangeRate DECIMAL(28,10) NULL
);
CREATE INDEX ix_rpcontractscheme_Contract ON t_rpcontractscheme (FContractID);

-- Receive bills (FPre 0) and advance receipts (FPre 1) ----------------------

CREATE TABLE t_RP_NewReceiveBill (
  FBillID            INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_RP_NewReceiveBill PRIMARY KEY,
  FNumber            NVARCHAR(80) NULL,
  FRP                SMALLINT NOT NULL DEFAULT 1,
  FPre               SMALLINT NOT NULL DEFAULT 0,
  FYear              INT NULL,
  FPeriod            INT NULL,
  FDate              DATETIME NULL,
  FFincDate          DATETIME NULL,
  FBillType          INT NULL,
  FCustomer          INT NULL,
  FDepartment        INT NULL,
  FEmployee          INT NULL,
  FRPBank            NVARCHAR(255) NULL,
  FSettle            INT NULL,
  FSettleNo          NVARCHAR(255) NULL,
  FReceiveCyID       INT NULL,
  FSettleCyID        INT NULL,
  FCurrencyID        INT NULL,
  FExchangeRate      DECIMAL(28,10) NULL,
  FMulCy             BIT NULL DEFAULT 0,
  FAmount            DECIMAL(28,10) NULL,
  FAmountFor         DECIMAL(28,10) NULL,
  FSettleAmount      DECIMAL(28,10) NULL,
  FSettleAmountFor   DECIMAL(28,10) NULL,
  FSettleDiscount    DECIMAL(28,10) NULL,
  FSettleDiscountFor DECIMAL(28,10) NULL,
  FDiscountAmount    DECIMAL(28,10) NULL,
  FDiscountAmountFor DECIMAL(28,10) NULL,
  FReceiveAmount     DECIMAL(28,10) NULL,
  FReceiveAmountFor  DECIMAL(28,10) NULL,
  FARNumber          NVARCHAR(255) NULL,
  FContractNo        NVARCHAR(255) NULL,
  FContractID        INT NULL,
  FExplanation       NVARCHAR(255) NULL,
  FChecker           INT NULL,
  FCheckDate         DATETIME NULL,
  FPreparer          INT NULL,
  UUID               NVARCHAR(40) NULL DEFAULT CONVERT(NVARCHAR(40), NEWID()),
  FModifyTime        ROWVERSION
);
CREATE INDEX ix_RP_NewReceiveBill_ModifyTime ON t_RP_NewReceiveBill (FModifyTime);
CREATE INDEX ix_RP_NewReceiveBill_UUID ON t_RP_NewReceiveBill (UUID);

-- Change log ------------------------------------------------------------------

-- FSystemFlag 2 marks the receivable/payable system; FType -1 contract,
-- 5 receive bill, 15 advance receipt; FIfDelete 1 a deletion.
CREATE TABLE COM_DataChange (
  FID          INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_DataChange PRIMARY KEY,
  FSystemFlag  INT NOT NULL,
  FType        INT NOT NULL,
  FIfDelete    SMALLINT NOT NULL DEFAULT 0,
  FChangedUUID NVARCHAR(40) NULL,
  FTimeStamp   ROWVERSION
);
CREATE INDEX ix_DataChange_Type ON COM_DataChange (FSystemFlag, FType, FIfDelete, FTimeStamp);
GO

-- Deletions log the deleted document's UUID; a contract takes its entry and
-- plan lines with it. One row per deleted row, in the order of the ids.
CREATE TRIGGER tr_RPContract_delete ON t_RPContract AFTER DELETE AS
BEGIN
  SET NOCOUNT ON;
  DELETE FROM t_rpcontractentry WHERE FContractID IN (SELECT FContractID FROM deleted);
  DELETE FROM t_rpcontractscheme WHERE FContractID IN (SELECT FContractID FROM deleted);
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  SELECT 2, -1, 1, UUID FROM deleted ORDER BY FContractID;
END;
GO

CREATE TRIGGER tr_RP_NewReceiveBill_delete ON t_RP_NewReceiveBill AFTER DELETE AS
BEGIN
  SET NOCOUNT ON;
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  SELECT 2, CASE FPre WHEN 1 THEN 15 ELSE 5 END, 1, UUID FROM deleted WHERE FPre IN (0, 1) ORDER BY FBillID;
END;
GO
