-- Demo rows for the sales model (apply after sales-schema.sql).
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
-- to 30 never order.
INSERT INTO Orders (OrderID, CustomerID, OrderDate, Status)
WITH RECURSIVE n(i) AS (SELECT 31 UNION ALL SELECT i + 1 FROM n WHERE i < 180)
SELECT i,
       1 + (i * 11) % 27,
       date('2010-10-01', '+' || ((i * 37) % 850) || ' days'),
       CASE i % 5 WHEN 0 THEN 'open' WHEN 3 THEN 'cancelled' ELSE 'closed' END
FROM n;

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
