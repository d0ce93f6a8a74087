-- Demo rows for the sales model, for SQLite and PostgreSQL alike (apply
-- after sales-schema.sql or sales-schema-postgresql.sql).
--
-- The rows are chosen to exercise query documents, not to look like a real
-- shop: names with apostrophes, a comma, a trailing backslash and a text
-- that reads like SQL; NULL regions, cities, categories, prices, amounts,
-- dates, statuses and customers; orders on both sides of every year and
-- quarter end of 2011 and 2012, on 29 February 2012 and late in the day.
-- Prices are multiples of 0.25, so every amount and every sum of amounts
-- is exact in floating point whatever order a database adds them in.

INSERT INTO Customers (CustomerID, CustomerName, Region, City, JoinDate) VALUES
  (1, 'Acme Corp', 'North', 'Boston', '2010-01-15'),
  (2, 'Alpha Traders', 'South', 'Austin', '2010-03-01'),
  (3, 'Sean O''Brien', 'North', 'Dublin', '2011-02-28'),
  (4, 'Bakker BV', 'West', NULL, '2010-06-30'),
  (5, 'Apex Supplies', NULL, 'Denver', '2011-12-31'),
  (6, 'Brown & Co', 'East', 'New York', '2012-02-29'),
  (7, 'Smith, Jones & Co', 'South', 'Atlanta', '2011-07-01'),
  (8, 'Chen Ltd', 'East', NULL, NULL),
  (9, 'Dupont SA', 'West', 'Paris', '2010-09-30'),
  (10, 'Eriksson AB', 'North', 'Oslo', '2011-04-01'),
  (11, 'Fischer GmbH', 'South', 'Munich', '2010-11-11'),
  (12, 'Garcia y Hijos', 'South', 'Madrid', '2011-01-01'),
  (13, 'Aoki KK', 'East', 'Osaka', '2012-01-01'),
  (14, 'Ivanova', NULL, NULL, '2012-03-01'),
  (15, 'Jensen ApS', 'North', 'Aarhus', '2010-05-05'),
  (16, 'Kowalski', 'West', 'Krakow', '2011-10-01'),
  (17, 'Li Wei', 'East', 'Shanghai', '2011-09-30'),
  (18, 'Backslash Trading\', 'West', 'C:\Data\', '2012-06-30'),
  (19, '''; DROP TABLE orders; --', NULL, 'Nowhere', '2012-07-01'),
  (20, 'Mueller KG', 'North', 'Hamburg', '2010-02-28'),
  (21, 'Nakamura', 'East', 'Kyoto', '2011-03-31'),
  (22, 'O''Neil''s Pub', 'South', 'St. John''s', '2010-12-31'),
  (23, 'Petrov', 'West', 'Sofia', '2011-06-30'),
  (24, 'Quinn Partners', 'North', 'Cork', '2012-12-31'),
  (25, 'Rossi Srl', 'South', 'Rome', '2010-08-08'),
  (26, 'Silva Lda', 'West', 'Porto', '2011-11-30'),
  (27, 'Tanaka', NULL, 'Nagoya', '2012-04-01'),
  (28, 'Umbrella Inc', 'North', 'Boston', '2012-10-01'),
  (29, 'Vargas', 'South', 'Lima', '2013-01-01'),
  (30, 'Weber AG', NULL, 'Berlin', NULL);

INSERT INTO Products (ProductID, ProductName, Category, UnitPrice) VALUES
  (1, 'Widget', 'Hardware', 2.5),
  (2, 'Gadget', 'Hardware', 12.75),
  (3, 'Chef''s Knife', 'Kitchen', 40.0),
  (4, 'Salt, coarse', 'Kitchen', 1.25),
  (5, 'Notebook', 'Office', 3.5),
  (6, 'Pen', 'Office', 0.75),
  (7, 'Desk Lamp', 'Office', 24.0),
  (8, 'Mystery Box', NULL, 9.5),
  (9, 'Kettle', 'Kitchen', 18.25),
  (10, 'Hammer', 'Hardware', 15.0),
  (11, 'Spare Part', NULL, NULL),
  (12, 'Gift Card', 'Gifts', 25.0);

-- Orders 1 to 30 sit on the boundaries; 24 has no customer, 25 no date,
-- 18 no status, 16 no lines.
INSERT INTO Orders (OrderID, CustomerID, OrderDate, Status) VALUES
  (1, 1, '2010-12-31', 'closed'),
  (2, 2, '2011-01-01', 'closed'),
  (3, 3, '2011-03-31', 'closed'),
  (4, 4, '2011-04-01', 'open'),
  (5, 5, '2011-06-30', 'closed'),
  (6, 6, '2011-07-01', 'open'),
  (7, 7, '2011-09-30', 'closed'),
  (8, 8, '2011-10-01', 'closed'),
  (9, 9, '2011-12-31', 'open'),
  (10, 10, '2011-12-31 23:59:59', 'closed'),
  (11, 11, '2012-01-01', 'closed'),
  (12, 12, '2012-02-28', 'open'),
  (13, 13, '2012-02-29', 'closed'),
  (14, 3, '2012-02-29 18:30:00', 'open'),
  (15, 14, '2012-03-01', 'closed'),
  (16, 15, '2012-03-31', 'cancelled'),
  (17, 16, '2012-04-01', 'closed'),
  (18, 17, '2012-06-30', NULL),
  (19, 18, '2012-07-01', 'open'),
  (20, 19, '2012-09-30', 'closed'),
  (21, 20, '2012-10-01', 'closed'),
  (22, 21, '2012-12-31', 'open'),
  (23, 22, '2013-01-01', 'closed'),
  (24, NULL, '2011-11-11', 'closed'),
  (25, 1, NULL, 'open'),
  (26, 7, '2011-02-28', 'closed'),
  (27, 6, '2011-03-01', 'closed'),
  (28, 2, '2011-11-30', 'closed'),
  (29, 2, '2011-12-01', 'open'),
  (30, 24, '2012-01-31', 'closed');

-- Orders 31 to 180 spread over October 2010 to January 2013; customers 28
-- to 30 never order. (Customer 1 + (i * 11) % 27, day (i * 37) % 850 from
-- 1 October 2010, status by i % 5: written out, as SQLite and PostgreSQL
-- share no date arithmetic.)
INSERT INTO Orders (OrderID, CustomerID, OrderDate, Status) VALUES
  (31, 18, '2011-07-25', 'closed'), (32, 2, '2011-08-31', 'closed'), (33, 13, '2011-10-07', 'cancelled'),
  (34, 24, '2011-11-13', 'closed'), (35, 8, '2011-12-20', 'open'), (36, 19, '2012-01-26', 'closed'),
  (37, 3, '2012-03-03', 'closed'), (38, 14, '2012-04-09', 'cancelled'), (39, 25, '2012-05-16', 'closed'),
  (40, 9, '2012-06-22', 'open'), (41, 20, '2012-07-29', 'closed'), (42, 4, '2012-09-04', 'closed'),
  (43, 15, '2012-10-11', 'cancelled'), (44, 26, '2012-11-17', 'closed'), (45, 10, '2012-12-24', 'open'),
  (46, 21, '2010-10-03', 'closed'), (47, 5, '2010-11-09', 'closed'), (48, 16, '2010-12-16', 'cancelled'),
  (49, 27, '2011-01-22', 'closed'), (50, 11, '2011-02-28', 'open'), (51, 22, '2011-04-06', 'closed'),
  (52, 6, '2011-05-13', 'closed'), (53, 17, '2011-06-19', 'cancelled'), (54, 1, '2011-07-26', 'closed'),
  (55, 12, '2011-09-01', 'open'), (56, 23, '2011-10-08', 'closed'), (57, 7, '2011-11-14', 'closed'),
  (58, 18, '2011-12-21', 'cancelled'), (59, 2, '2012-01-27', 'closed'), (60, 13, '2012-03-04', 'open'),
  (61, 24, '2012-04-10', 'closed'), (62, 8, '2012-05-17', 'closed'), (63, 19, '2012-06-23', 'cancelled'),
  (64, 3, '2012-07-30', 'closed'), (65, 14, '2012-09-05', 'open'), (66, 25, '2012-10-12', 'closed'),
  (67, 9, '2012-11-18', 'closed'), (68, 20, '2012-12-25', 'cancelled'), (69, 4, '2010-10-04', 'closed'),
  (70, 15, '2010-11-10', 'open'), (71, 26, '2010-12-17', 'closed'), (72, 10, '2011-01-23', 'closed'),
  (73, 21, '2011-03-01', 'cancelled'), (74, 5, '2011-04-07', 'closed'), (75, 16, '2011-05-14', 'open'),
  (76, 27, '2011-06-20', 'closed'), (77, 11, '2011-07-27', 'closed'), (78, 22, '2011-09-02', 'cancelled'),
  (79, 6, '2011-10-09', 'closed'), (80, 17, '2011-11-15', 'open'), (81, 1, '2011-12-22', 'closed'),
  (82, 12, '2012-01-28', 'closed'), (83, 23, '2012-03-05', 'cancelled'), (84, 7, '2012-04-11', 'closed'),
  (85, 18, '2012-05-18', 'open'), (86, 2, '2012-06-24', 'closed'), (87, 13, '2012-07-31', 'closed'),
  (88, 24, '2012-09-06', 'cancelled'), (89, 8, '2012-10-13', 'closed'), (90, 19, '2012-11-19', 'open'),
  (91, 3, '2012-12-26', 'closed'), (92, 14, '2010-10-05', 'closed'), (93, 25, '2010-11-11', 'cancelled'),
  (94, 9, '2010-12-18', 'closed'), (95, 20, '2011-01-24', 'open'), (96, 4, '2011-03-02', 'closed'),
  (97, 15, '2011-04-08', 'closed'), (98, 26, '2011-05-15', 'cancelled'), (99, 10, '2011-06-21', 'closed'),
  (100, 21, '2011-07-28', 'open'), (101, 5, '2011-09-03', 'closed'), (102, 16, '2011-10-10', 'closed'),
  (103, 27, '2011-11-16', 'cancelled'), (104, 11, '2011-12-23', 'closed'), (105, 22, '2012-01-29', 'open'),
  (106, 6, '2012-03-06', 'closed'), (107, 17, '2012-04-12', 'closed'), (108, 1, '2012-05-19', 'cancelled'),
  (109, 12, '2012-06-25', 'closed'), (110, 23, '2012-08-01', 'open'), (111, 7, '2012-09-07', 'closed'),
  (112, 18, '2012-10-14', 'closed'), (113, 2, '2012-11-20', 'cancelled'), (114, 13, '2012-12-27', 'closed'),
  (115, 24, '2010-10-06', 'open'), (116, 8, '2010-11-12', 'closed'), (117, 19, '2010-12-19', 'closed'),
  (118, 3, '2011-01-25', 'cancelled'), (119, 14, '2011-03-03', 'closed'), (120, 25, '2011-04-09', 'open'),
  (121, 9, '2011-05-16', 'closed'), (122, 20, '2011-06-22', 'closed'), (123, 4, '2011-07-29', 'cancelled'),
  (124, 15, '2011-09-04', 'closed'), (125, 26, '2011-10-11', 'open'), (126, 10, '2011-11-17', 'closed'),
  (127, 21, '2011-12-24', 'closed'), (128, 5, '2012-01-30', 'cancelled'), (129, 16, '2012-03-07', 'closed'),
  (130, 27, '2012-04-13', 'open'), (131, 11, '2012-05-20', 'closed'), (132, 22, '2012-06-26', 'closed'),
  (133, 6, '2012-08-02', 'cancelled'), (134, 17, '2012-09-08', 'closed'), (135, 1, '2012-10-15', 'open'),
  (136, 12, '2012-11-21', 'closed'), (137, 23, '2012-12-28', 'closed'), (138, 7, '2010-10-07', 'cancelled'),
  (139, 18, '2010-11-13', 'closed'), (140, 2, '2010-12-20', 'open'), (141, 13, '2011-01-26', 'closed'),
  (142, 24, '2011-03-04', 'closed'), (143, 8, '2011-04-10', 'cancelled'), (144, 19, '2011-05-17', 'closed'),
  (145, 3, '2011-06-23', 'open'), (146, 14, '2011-07-30', 'closed'), (147, 25, '2011-09-05', 'closed'),
  (148, 9, '2011-10-12', 'cancelled'), (149, 20, '2011-11-18', 'closed'), (150, 4, '2011-12-25', 'open'),
  (151, 15, '2012-01-31', 'closed'), (152, 26, '2012-03-08', 'closed'), (153, 10, '2012-04-14', 'cancelled'),
  (154, 21, '2012-05-21', 'closed'), (155, 5, '2012-06-27', 'open'), (156, 16, '2012-08-03', 'closed'),
  (157, 27, '2012-09-09', 'closed'), (158, 11, '2012-10-16', 'cancelled'), (159, 22, '2012-11-22', 'closed'),
  (160, 6, '2012-12-29', 'open'), (161, 17, '2010-10-08', 'closed'), (162, 1, '2010-11-14', 'closed'),
  (163, 12, '2010-12-21', 'cancelled'), (164, 23, '2011-01-27', 'closed'), (165, 7, '2011-03-05', 'open'),
  (166, 18, '2011-04-11', 'closed'), (167, 2, '2011-05-18', 'closed'), (168, 13, '2011-06-24', 'cancelled'),
  (169, 24, '2011-07-31', 'closed'), (170, 8, '2011-09-06', 'open'), (171, 19, '2011-10-13', 'closed'),
  (172, 3, '2011-11-19', 'closed'), (173, 14, '2011-12-26', 'cancelled'), (174, 25, '2012-02-01', 'closed'),
  (175, 9, '2012-03-09', 'open'), (176, 20, '2012-04-15', 'closed'), (177, 4, '2012-05-22', 'closed'),
  (178, 15, '2012-06-28', 'cancelled'), (179, 26, '2012-08-04', 'closed'), (180, 10, '2012-09-10', 'open');

-- One to three lines per order (none for order 16). Products 11 and 12 are
-- never sold; every 23rd line has no amount.
INSERT INTO OrderLines (OrderID, LineNumber, ProductID, Quantity, Amount)
WITH RECURSIVE k(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM k WHERE j < 3)
SELECT o.OrderID,
       k.j,
       1 + (o.OrderID * 7 + k.j * 3) % 10,
       1 + (o.OrderID * 3 + k.j) % 8,
       CASE WHEN (o.OrderID + k.j) % 23 = 0 THEN NULL
            ELSE (1 + (o.OrderID * 3 + k.j) % 8) * p.UnitPrice END
FROM Orders o
JOIN k ON k.j <= 1 + o.OrderID % 3
JOIN Products p ON p.ProductID = 1 + (o.OrderID * 7 + k.j * 3) % 10
WHERE o.OrderID <> 16;

INSERT INTO ArchivedRevenue (CustomerName, Region, Amount) VALUES
  ('Acme Corp', 'North', 1250.0),
  ('Alpha Traders', 'South', 310.5),
  ('Sean O''Brien', 'North', 88.25),
  ('Bakker BV', 'West', 402.0),
  ('Old Harbour Ltd', 'East', 77.75),
  ('Old Harbour Ltd', 'East', 12.0),
  ('Chen Ltd', 'East', 640.0),
  ('Dupont SA', 'West', NULL),
  ('Closed Account', NULL, 15.5),
  ('Smith, Jones & Co', 'South', 230.0),
  ('Ivanova', NULL, 45.0),
  ('Mueller KG', 'North', 990.25);
