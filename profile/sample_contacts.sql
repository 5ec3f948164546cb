-- The sample contacts database that the shipped sample profiles link to: one table of
-- people with text, numeric, date and timestamp columns. Plain SQL run by the build.

CREATE TABLE Contacts (
  ContactID INTEGER NOT NULL PRIMARY KEY,
  Title VARCHAR(20),
  FirstName VARCHAR(50),
  MiddleName VARCHAR(50),
  LastName VARCHAR(50),
  Suffix VARCHAR(20),
  JobTitle VARCHAR(80),
  Department VARCHAR(80),
  Company VARCHAR(80),
  WorkPhone VARCHAR(30),
  MobilePhone VARCHAR(30),
  Email VARCHAR(100),
  BusinessCity VARCHAR(60),
  BusinessState VARCHAR(40),
  BusinessZip VARCHAR(20),
  BusinessCountry VARCHAR(60),
  Spouse VARCHAR(60),
  Birthday DATE,
  Anniversary TIMESTAMP,
  Notes VARCHAR(255),
  CreditLimit NUMERIC(10,2),
  Visits INTEGER,
  LastModified TIMESTAMP
);

INSERT INTO Contacts VALUES (1, 'Mr.', 'Seán', 'Patrick', 'O''Brien', NULL, 'Sales Manager', 'Sales', 'Harbourline Freight', '+49 531 504 1791', '+49 720 648 2542', 'sean.obrien@example.com', 'Cork', NULL, 'T12 X70A', 'Ireland', 'Niamh O''Brien', '1971-03-17', '1998-06-20 15:30:00', 'Key account since 2001. Don''t call before 9.', 19200.00, 32, '2024-04-02 08:27:26');
INSERT INTO Contacts VALUES (2, 'Ms.', 'Zoë', NULL, 'Müller', NULL, 'Product Designer', 'Design', 'Feldberg Werkstatt GmbH', '+33 271 192 7955', '+33 723 679 3028', 'zoe.muller@example.com', 'München', 'Bayern', '80331', 'Germany', NULL, '1988-11-02', NULL, NULL, 49000.50, 40, '2024-11-19 07:36:37');
INSERT INTO Contacts VALUES (3, 'Dr.', 'José', 'Luis', 'Álvarez', NULL, 'Cardiologist', 'Cardiology', 'Hospital San Rafael', '+1 606 326 1763', '+1 739 236 5744', 'jose.alvarez@example.com', 'Sevilla', 'Andalucía', '41004', 'Spain', 'María Ruiz', '1965-07-29', '1992-09-12 12:00:00', NULL, 21900.50, 34, '2024-02-19 11:35:52');
INSERT INTO Contacts VALUES (4, 'Mme', 'Chloé', NULL, 'Dubois', NULL, 'Avocate', 'Droit des affaires', 'Cabinet Lemoine & Associés', '+49 898 205 4078', '+49 349 660 2028', 'chloe.dubois@example.com', 'Lyon', NULL, '69002', 'France', NULL, '1983-01-14', NULL, 'Met at the winter trade fair; prefers e-mail.', 3500.50, 31, '2024-11-18 13:49:20');
INSERT INTO Contacts VALUES (5, 'Mr.', 'Björn', 'Erik', 'Lindqvist', NULL, 'Logistics Coordinator', 'Operations', 'Nordström Shipping AB', '+91 676 564 6924', NULL, 'bjorn.lindqvist@example.com', 'Göteborg', NULL, '411 04', 'Sweden', 'Karin Lindqvist', '1979-05-05', '2005-08-27 14:00:00', NULL, 15800.50, 11, '2024-12-25 10:05:36');
INSERT INTO Contacts VALUES (6, 'Mrs.', 'Małgorzata', NULL, 'Nowak', NULL, 'Chief Accountant', 'Finance', 'Wisła Components Sp. z o.o.', '+86 507 606 6627', '+86 529 394 2199', 'malgorzata.nowak@example.com', 'Kraków', 'Małopolskie', '31-042', 'Poland', 'Tomasz Nowak', '1975-12-08', '2000-07-15 16:00:00', NULL, NULL, 7, '2024-09-14 09:48:21');
INSERT INTO Contacts VALUES (7, 'Ms.', 'Lan', 'Thị', 'Nguyễn', NULL, 'Software Engineer', 'R&D', 'Saigon Data Labs', '+81 355 531 1642', '+81 339 882 6140', 'lan.nguyen@example.com', 'Hồ Chí Minh', NULL, '700000', 'Vietnam', NULL, '1992-04-30', NULL, NULL, 17900.25, 38, '2024-08-19 19:29:04');
INSERT INTO Contacts VALUES (8, 'Mr.', 'Jing', NULL, 'Chen', NULL, 'Purchasing Agent', 'Procurement', '陈氏贸易有限公司', '+34 295 585 2064', '+34 674 818 6072', 'jing.chen@example.com', '上海', NULL, '200000', 'China', 'Li Wei', '1986-08-19', '2014-10-01 10:00:00', 'Met at the winter trade fair; prefers e-mail.', 30000.75, 18, '2024-12-13 17:22:01');
INSERT INTO Contacts VALUES (9, 'Ms.', 'Aiko', NULL, 'Tanaka', NULL, 'Marketing Lead', 'Marketing', 'Sakura Foods K.K.', '+46 672 272 2918', '+46 330 323 5709', 'aiko.tanaka@example.com', '大阪', NULL, '530-0001', 'Japan', NULL, '1990-02-11', NULL, NULL, 7100.50, 25, '2024-07-28 14:05:10');
INSERT INTO Contacts VALUES (10, 'Mr.', 'Marco', NULL, 'D''Angelo', 'Jr.', 'Restaurant Owner', NULL, 'Trattoria D''Angelo', '+48 659 662 5552', NULL, 'marco.dangelo@example.com', 'Boston', 'MA', '02113', 'USA', 'Giulia D''Angelo', '1969-10-23', '1995-05-06 13:00:00', 'Ask for the "chef''s table" when booking.', 45700.50, 27, '2024-09-09 18:26:22');
INSERT INTO Contacts VALUES (11, 'Mrs.', 'Siobhan', 'Mary', 'O''Connor', NULL, 'Head Teacher', NULL, 'St. Brigid''s Primary School', '+48 899 336 3472', '+48 390 254 4800', 'siobhan.oconnor@example.com', 'Galway', NULL, 'H91 E2K3', 'Ireland', 'Declan O''Connor', '1972-06-09', '1997-04-19 11:00:00', NULL, 34200.50, 0, '2024-08-27 16:11:16');
INSERT INTO Contacts VALUES (12, 'Mr.', 'Ahmed', NULL, 'Al-Sayed', NULL, 'Civil Engineer', 'Infrastructure', 'Delta Build Consultants', '+1 488 249 7864', '+1 489 724 6220', 'ahmed.al-sayed@example.com', 'Cairo', NULL, '11511', 'Egypt', 'Fatma Hassan', '1980-09-14', '2008-03-21 19:00:00', 'Met at the spring trade fair; prefers e-mail.', NULL, 32, '2024-10-21 17:47:03');
INSERT INTO Contacts VALUES (13, 'Ms.', 'Priya', NULL, 'Raghunathan', NULL, 'Data Analyst', 'Business Intelligence', 'Meridian Insurance', '+86 667 501 7521', '+86 501 206 8889', 'priya.raghunathan@example.com', 'Bengaluru', 'Karnataka', '560001', 'India', NULL, '1994-12-25', NULL, NULL, 32900.75, 3, '2024-04-03 10:28:10');
INSERT INTO Contacts VALUES (14, 'Mr.', 'Olusegun', NULL, 'Adeyemi', NULL, 'Operations Director', 'Operations', 'Lagoon Energy Ltd', '+46 312 715 1861', '+46 300 680 3478', 'olusegun.adeyemi@example.com', 'Lagos', NULL, '101241', 'Nigeria', 'Funmilayo Adeyemi', '1968-01-30', '1994-12-03 10:30:00', NULL, 27900.00, 23, '2024-10-01 08:55:13');
INSERT INTO Contacts VALUES (15, 'Mr.', 'Jan', NULL, 'van der Berg', NULL, 'Account Manager', 'Sales', 'Polder Tech B.V.', '+48 828 252 5132', NULL, 'jan.vanderberg@example.com', 'Utrecht', NULL, '3511 AB', 'Netherlands', NULL, '1985-03-03', NULL, NULL, 49400.25, 38, '2024-06-16 08:07:54');
INSERT INTO Contacts VALUES (16, 'Ms.', 'Ingrid', NULL, 'Halvorsen', NULL, 'Architect', NULL, 'Fjordlys Arkitekter AS', '+81 699 591 8927', '+81 343 247 2674', 'ingrid.halvorsen@example.com', 'Bergen', NULL, '5003', 'Norway', 'Nils Halvorsen', '1977-07-07', '2003-06-14 15:00:00', 'Met at the winter trade fair; prefers e-mail.', 18000.25, 30, '2024-12-06 15:01:13');
INSERT INTO Contacts VALUES (17, 'Mr.', 'Dimitrios', NULL, 'Papadopoulos', NULL, 'Ship Broker', 'Chartering', 'Aegean Maritime S.A.', '+46 740 250 9899', '+46 688 640 5883', 'dimitrios.papadopoulos@example.com', 'Piraeus', NULL, '185 35', 'Greece', 'Eleni Papadopoulou', '1963-04-12', '1989-09-09 18:00:00', NULL, 33400.00, 16, '2024-09-12 09:22:49');
INSERT INTO Contacts VALUES (18, 'Mrs.', 'Ayşe', NULL, 'Yılmaz', NULL, 'Pharmacist', NULL, 'Yılmaz Eczanesi', '+86 428 654 9236', '+86 625 328 4197', 'ayse.yilmaz@example.com', 'İzmir', NULL, '35210', 'Turkey', 'Mehmet Yılmaz', '1982-10-10', '2009-05-30 17:00:00', NULL, NULL, 15, '2024-07-24 19:14:12');
INSERT INTO Contacts VALUES (19, 'Mr.', 'François', 'Xavier', 'Lefèvre', 'III', 'Wine Merchant', NULL, 'Caves Lefèvre', '+81 730 464 1474', '+81 704 386 8737', 'francois.lefevre@example.com', 'Bordeaux', NULL, '33000', 'France', 'Anne Lefèvre', '1958-02-28', '1984-07-07 12:00:00', NULL, 13700.50, 38, '2024-06-15 19:59:46');
INSERT INTO Contacts VALUES (20, 'Ms.', 'Emily', 'Rose', 'Carter', NULL, 'Nurse Practitioner', 'Pediatrics', 'Riverside Family Clinic', '+46 557 182 4612', NULL, 'emily.carter@example.com', 'Portland', 'OR', '97205', 'USA', NULL, '1991-09-01', NULL, 'Met at the spring trade fair; prefers e-mail.', 12100.75, 12, '2024-06-07 14:39:57');
INSERT INTO Contacts VALUES (21, 'Mr.', 'Michael', 'J.', 'Thompson', 'Sr.', 'Regional Director', 'Sales', 'Great Lakes Supply Co.', '+1 824 590 6636', '+1 343 954 2964', 'michael.thompson@example.com', 'Chicago', 'IL', '60601', 'USA', 'Linda Thompson', '1960-11-11', '1985-10-12 14:00:00', NULL, 47000.75, 12, '2024-08-06 13:50:40');
INSERT INTO Contacts VALUES (22, 'Dr.', 'Hannah', NULL, 'Schmidt-Weber', NULL, 'Research Chemist', 'Laboratory', 'Rheinchem AG', '+44 540 920 7485', '+44 505 861 2391', 'hannah.schmidt-weber@example.com', 'Köln', 'Nordrhein-Westfalen', '50667', 'Germany', NULL, '1984-05-21', NULL, NULL, 37600.50, 10, '2024-03-01 09:37:57');
INSERT INTO Contacts VALUES (23, 'Mr.', 'Kwame', NULL, 'Mensah', NULL, 'IT Support Specialist', 'IT', 'Gold Coast Telecom', '+49 676 726 8771', '+49 779 458 3554', 'kwame.mensah@example.com', 'Accra', NULL, 'GA-100', 'Ghana', 'Ama Mensah', '1989-08-08', '2016-02-13 11:00:00', NULL, 28500.50, 1, '2024-01-26 18:41:06');
INSERT INTO Contacts VALUES (24, 'Ms.', 'Sofía', NULL, 'Hernández', NULL, 'Event Planner', NULL, 'Fiesta Eventos', '+49 739 544 4191', '+49 314 357 4486', 'sofia.hernandez@example.com', 'Ciudad de México', 'CDMX', '06600', 'Mexico', NULL, '1993-06-16', NULL, 'Met at the autumn trade fair; prefers e-mail.', NULL, 32, '2024-04-25 16:20:16');
INSERT INTO Contacts VALUES (25, 'Mr.', 'Lucas', NULL, 'Oliveira', NULL, 'Agronomist', 'Field Services', 'Cerrado Agro Ltda.', '+48 757 954 3147', NULL, 'lucas.oliveira@example.com', 'Goiânia', 'GO', '74000-000', 'Brazil', 'Beatriz Oliveira', '1987-03-27', '2012-11-24 16:00:00', NULL, 3600.25, 29, '2024-11-19 15:26:52');
INSERT INTO Contacts VALUES (26, 'Mrs.', 'Elżbieta', NULL, 'Wiśniewska', NULL, 'Translator', NULL, 'Freelance', '+49 713 644 3487', '+49 561 119 8211', 'elzbieta.wisniewska@example.com', 'Gdańsk', 'Pomorskie', '80-001', 'Poland', NULL, '1970-12-31', NULL, NULL, 40200.50, 38, '2024-01-25 19:09:11');
INSERT INTO Contacts VALUES (27, 'Mr.', 'Thomas', NULL, 'Müller-Lüdenscheidt', NULL, 'Tax Advisor', NULL, 'Müller & Partner Steuerberatung', '+81 344 733 2971', '+81 331 433 9492', 'thomas.muller-ludenscheidt@example.com', 'Hamburg', NULL, '20095', 'Germany', 'Sabine Müller', '1966-09-22', '1993-08-21 13:30:00', NULL, 27600.75, 6, '2024-09-02 10:12:17');
INSERT INTO Contacts VALUES (28, 'Ms.', 'Grace', NULL, 'O''Neill', NULL, 'Journalist', 'Newsroom', 'The Harbour Herald', '+44 243 619 8408', '+44 314 878 2038', 'grace.oneill@example.com', 'Auckland', NULL, '1010', 'New Zealand', NULL, '1995-01-09', NULL, 'Met at the autumn trade fair; prefers e-mail.', 17100.50, 17, '2024-08-17 15:51:30');
INSERT INTO Contacts VALUES (29, 'Mr.', 'Rahul', 'Kumar', 'Sharma', NULL, 'Project Manager', 'PMO', 'Indus Infotech', '+33 719 815 9572', '+33 772 672 4319', 'rahul.sharma@example.com', 'Pune', 'Maharashtra', '411001', 'India', 'Neha Sharma', '1983-02-14', '2010-02-14 20:00:00', NULL, 43500.75, 8, '2024-07-04 13:28:20');
INSERT INTO Contacts VALUES (30, 'Ms.', 'Astrid', NULL, 'Jørgensen', NULL, 'Graphic Designer', 'Creative', 'Blåvand Studio ApS', '+33 274 538 2198', NULL, 'astrid.jorgensen@example.com', 'Aarhus', NULL, '8000', 'Denmark', NULL, '1996-10-04', NULL, NULL, NULL, 13, '2024-11-10 19:07:57');
INSERT INTO Contacts VALUES (31, 'Mr.', 'Pierre-Luc', NULL, 'Gagnon', NULL, 'Hockey Coach', 'Athletics', 'Université Laval', '+46 358 246 5146', '+46 795 578 4597', 'pierre-luc.gagnon@example.com', 'Québec', 'QC', 'G1V 0A6', 'Canada', 'Isabelle Roy', '1978-04-01', '2004-06-26 15:00:00', NULL, 38700.00, 25, '2024-08-06 17:53:14');
INSERT INTO Contacts VALUES (32, 'Mrs.', 'Noura', NULL, 'Haddad', NULL, 'Bank Branch Manager', 'Retail Banking', 'Cedar Bank S.A.L.', '+48 365 627 7616', '+48 515 300 6842', 'noura.haddad@example.com', 'Beirut', NULL, '1107', 'Lebanon', 'Karim Haddad', '1976-03-08', '2001-10-20 18:30:00', 'Met at the autumn trade fair; prefers e-mail.', 5200.25, 1, '2024-06-18 14:28:45');
INSERT INTO Contacts VALUES (33, 'Mr.', 'Ivan', 'Petrovich', 'Sokolov', NULL, 'Pilot', 'Flight Operations', 'Baltic Air Charter', '+48 218 439 9477', '+48 451 624 2053', 'ivan.sokolov@example.com', 'Riga', NULL, 'LV-1050', 'Latvia', NULL, '1981-07-19', NULL, NULL, 6200.50, 6, '2024-02-09 11:02:57');
INSERT INTO Contacts VALUES (34, 'Ms.', 'Maja', NULL, 'Kovačević', NULL, 'Physiotherapist', NULL, 'Zdravlje Plus d.o.o.', '+34 385 873 3122', '+34 734 792 5237', 'maja.kovacevic@example.com', 'Zagreb', NULL, '10000', 'Croatia', 'Luka Kovačević', '1990-05-15', '2018-09-01 14:00:00', NULL, 21200.50, 34, '2024-09-19 14:44:20');
INSERT INTO Contacts VALUES (35, 'Mr.', 'William', 'Henry', 'Ashworth', 'Esq.', 'Solicitor', 'Property', 'Ashworth & Pryce LLP', '+34 291 158 4003', NULL, 'william.ashworth@example.com', 'Manchester', NULL, 'M2 5BQ', 'United Kingdom', 'Charlotte Ashworth', '1962-08-30', '1990-04-28 12:00:00', NULL, 22200.00, 17, '2024-01-21 08:51:16');
INSERT INTO Contacts VALUES (36, 'Ms.', 'Tūī', NULL, 'Ngata', NULL, 'Park Ranger', 'Conservation', 'Department of Conservation', '+91 285 976 4643', '+91 435 983 2993', 'tui.ngata@example.com', 'Rotorua', NULL, '3010', 'New Zealand', NULL, '1997-11-27', NULL, 'Met at the autumn trade fair; prefers e-mail.', NULL, 0, '2024-06-18 13:59:58');
