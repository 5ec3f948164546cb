-- The two sample profiles of the shipped profile database, both on the sample contacts
-- database: profile 1 adds the desktop contacts to the handheld, profile 2 adds the handheld
-- contacts to the desktop table. The installer sets their handheld user and folder.

INSERT INTO DBProfile VALUES (1, 'Sample Contacts to Pocket PC', '@APPPATH@/', 1, 'SampleContactsDB.mdb', '', '', 0, 1, '', 0, 1, 1, '8:30', '8:30', 1, 'SELECT * FROM "Contacts"', 'Contacts', 0, 0);
INSERT INTO DBProfile VALUES (2, 'Pocket PC to Sample Contacts', '@APPPATH@/', 1, 'SampleContactsDB.mdb', '', '', 2, 1, '', 1, 1, 1, '18:0', '18:0', 1, 'SELECT * FROM "Contacts"', 'Contacts', 0, 0);

INSERT INTO "Transaction" VALUES (1, 'F1', 'Title', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F2', 'FirstName', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F3', 'MiddleName', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F4', 'LastName', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F5', 'Suffix', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F6', 'JobTitle', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F7', 'Department', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F8', 'Company', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F9', 'WorkPhone', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F25', 'BusinessCity', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F26', 'BusinessState', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F27', 'BusinessZip', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F28', 'BusinessCountry', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F20', 'Email', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F13', 'MobilePhone', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F45', 'Birthday', 'SQL_DATE');
INSERT INTO "Transaction" VALUES (1, 'F46', 'Anniversary', 'SQL_TYPE_TIMESTAMP');
INSERT INTO "Transaction" VALUES (1, 'F42', 'Spouse', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (1, 'F44', 'Notes', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F1', 'Title', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F2', 'FirstName', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F3', 'MiddleName', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F4', 'LastName', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F5', 'Suffix', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F6', 'JobTitle', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F7', 'Department', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F8', 'Company', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F9', 'WorkPhone', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F25', 'BusinessCity', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F26', 'BusinessState', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F27', 'BusinessZip', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F28', 'BusinessCountry', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F20', 'Email', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F13', 'MobilePhone', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F45', 'Birthday', 'SQL_DATE');
INSERT INTO "Transaction" VALUES (2, 'F46', 'Anniversary', 'SQL_TYPE_TIMESTAMP');
INSERT INTO "Transaction" VALUES (2, 'F42', 'Spouse', 'SQL_CHAR');
INSERT INTO "Transaction" VALUES (2, 'F44', 'Notes', 'SQL_CHAR');
