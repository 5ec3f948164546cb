-- The profile database: profiles, their field mappings, the device field catalogue and the
-- categories. Plain SQL that SQLite and PostgreSQL both run unchanged; statements insert
-- without column lists, so the column order of DBProfile is binding.
-- SyncTime and LastSyncDateTime hold text: "H:M" for a time of day (a new profile's
-- LastSyncDateTime too) and "YYYY-MM-DD HH:MM:SS" once the conduit has run the profile.

CREATE TABLE DBProfile (
  ProfID INTEGER NOT NULL PRIMARY KEY,
  ProfName VARCHAR(255),
  DBPath VARCHAR(260),
  DBType SMALLINT,
  DBDSN VARCHAR(255),
  DBUser VARCHAR(255),
  DBPassword VARCHAR(255),
  SyncType SMALLINT,
  UserType SMALLINT,
  UserName VARCHAR(255),
  SyncOn SMALLINT,
  Day SMALLINT,
  WeekDay SMALLINT,
  SyncTime VARCHAR(32),
  LastSyncDateTime VARCHAR(32),
  ProfStatus SMALLINT,
  Query TEXT,
  tablename VARCHAR(500),
  connectionType SMALLINT,
  ID INTEGER
);

CREATE TABLE "Transaction" (
  ProfID INTEGER,
  FieldID VARCHAR(10),
  DBFieldName VARCHAR(1000),
  DBDataType VARCHAR(64)
);

CREATE TABLE PocketMaster (
  FieldID VARCHAR(10) NOT NULL PRIMARY KEY,
  FieldName VARCHAR(100)
);

CREATE TABLE CategoryMaster (
  ID INTEGER NOT NULL PRIMARY KEY,
  Name VARCHAR(255)
);

CREATE TABLE DBLinks (
  LinkID INTEGER,
  ProfID INTEGER,
  LinkName VARCHAR(255),
  LinkPath VARCHAR(260)
);

-- FieldName is the field's name in the handheld's transfer files.
INSERT INTO PocketMaster VALUES ('F1', 'Title');
INSERT INTO PocketMaster VALUES ('F2', 'First');
INSERT INTO PocketMaster VALUES ('F3', 'Middle');
INSERT INTO PocketMaster VALUES ('F4', 'Last');
INSERT INTO PocketMaster VALUES ('F5', 'Suffix');
INSERT INTO PocketMaster VALUES ('F6', 'Job title');
INSERT INTO PocketMaster VALUES ('F7', 'Department');
INSERT INTO PocketMaster VALUES ('F8', 'Company');
INSERT INTO PocketMaster VALUES ('F9', 'Work tel');
INSERT INTO PocketMaster VALUES ('F10', 'Work2 tel');
INSERT INTO PocketMaster VALUES ('F11', 'Home tel');
INSERT INTO PocketMaster VALUES ('F12', 'Home2 tel');
INSERT INTO PocketMaster VALUES ('F13', 'Mobile tel');
INSERT INTO PocketMaster VALUES ('F14', 'Pager');
INSERT INTO PocketMaster VALUES ('F15', 'Car tel');
INSERT INTO PocketMaster VALUES ('F16', 'Work fax');
INSERT INTO PocketMaster VALUES ('F17', 'Home fax');
INSERT INTO PocketMaster VALUES ('F18', 'Assistant tel');
INSERT INTO PocketMaster VALUES ('F19', 'Radio tel');
INSERT INTO PocketMaster VALUES ('F20', 'E-mail');
INSERT INTO PocketMaster VALUES ('F21', 'E-mail2');
INSERT INTO PocketMaster VALUES ('F22', 'E-mail3');
INSERT INTO PocketMaster VALUES ('F23', 'Web Page');
INSERT INTO PocketMaster VALUES ('F24', 'Bstreet');
INSERT INTO PocketMaster VALUES ('F25', 'Bcity');
INSERT INTO PocketMaster VALUES ('F26', 'Bstate');
INSERT INTO PocketMaster VALUES ('F27', 'Bzip');
INSERT INTO PocketMaster VALUES ('F28', 'Bcountry');
INSERT INTO PocketMaster VALUES ('F29', 'Office Loc');
INSERT INTO PocketMaster VALUES ('F30', 'Hstreet');
INSERT INTO PocketMaster VALUES ('F31', 'Hcity');
INSERT INTO PocketMaster VALUES ('F32', 'Hstate');
INSERT INTO PocketMaster VALUES ('F33', 'Hzip');
INSERT INTO PocketMaster VALUES ('F34', 'Hcountry');
INSERT INTO PocketMaster VALUES ('F35', 'Ostreet');
INSERT INTO PocketMaster VALUES ('F36', 'Ocity');
INSERT INTO PocketMaster VALUES ('F37', 'Ostate');
INSERT INTO PocketMaster VALUES ('F38', 'Ozip');
INSERT INTO PocketMaster VALUES ('F39', 'Ocountry');
INSERT INTO PocketMaster VALUES ('F40', 'Categories');
INSERT INTO PocketMaster VALUES ('F41', 'Assistant');
INSERT INTO PocketMaster VALUES ('F42', 'Spouse');
INSERT INTO PocketMaster VALUES ('F43', 'Children');
INSERT INTO PocketMaster VALUES ('F44', 'Notes');
INSERT INTO PocketMaster VALUES ('F45', 'Birthday');
INSERT INTO PocketMaster VALUES ('F46', 'Anniversary');
