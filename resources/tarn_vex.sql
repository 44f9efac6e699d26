-- Register table of the receiver. The build turns this text into tarn_vex.ddb beside the program.
-- rw: RW read-write, R read-only, W write-only. type: int, float, string, status; anything else
-- is raw data. len is the value length in bytes on the wire.
CREATE TABLE regs (
  num  INTEGER NOT NULL,
  len  INTEGER NOT NULL,
  rw   TEXT    NOT NULL,
  type TEXT    NOT NULL,
  purp TEXT,
  desc TEXT
);

BEGIN;
-- Status: 159 bytes of telemetry followed by the two 24-character LCD lines.
INSERT INTO regs VALUES (1,     207, 'R',  'status', 'Статус',         'Статус устройства, телеметрия и строки индикатора');

INSERT INTO regs VALUES (2,       2, 'R',  'int',    'Идентификация',  'Код модели устройства');
INSERT INTO regs VALUES (4,       4, 'R',  'int',    'Идентификация',  'Заводской номер');
INSERT INTO regs VALUES (5,      16, 'R',  'string', 'Идентификация',  'Наименование изделия');
INSERT INTO regs VALUES (6,       4, 'R',  'int',    'Идентификация',  'Наработка, ч');
INSERT INTO regs VALUES (7,       8, 'R',  'data',   'Идентификация',  'Дата изготовления (BCD)');

INSERT INTO regs VALUES (10,      4, 'R',  'float',  'Измерения',      'Температура синтезатора, °C');
INSERT INTO regs VALUES (11,      4, 'R',  'float',  'Измерения',      'Температура усилителя ПЧ, °C');
INSERT INTO regs VALUES (12,      4, 'R',  'float',  'Измерения',      'Напряжение питания, В');
INSERT INTO regs VALUES (13,      2, 'R',  'int',    'Измерения',      'Ток потребления, мА');

INSERT INTO regs VALUES (15,      4, 'RW', 'float',  'Настройка',      'Средняя мощность, дБм');
INSERT INTO regs VALUES (18,      4, 'RW', 'int',    'Настройка',      'Частота настройки, кГц');
INSERT INTO regs VALUES (20,      1, 'RW', 'int',    'Настройка',      'Режим аттенюатора (0 - выкл, 1 - вкл, 2 - авто)');
INSERT INTO regs VALUES (21,      2, 'RW', 'int',    'Настройка',      'Полоса фильтра ПЧ, кГц');
INSERT INTO regs VALUES (22,      4, 'RW', 'float',  'Настройка',      'Порог перегрузки, дБм');
INSERT INTO regs VALUES (23,      4, 'RW', 'float',  'Настройка',      'Порог захвата, дБм');
INSERT INTO regs VALUES (24,      2, 'RW', 'int',    'Настройка',      'Время усреднения, мс');
INSERT INTO regs VALUES (25,      4, 'RW', 'float',  'Настройка',      'Поправка уровня, дБ');

INSERT INTO regs VALUES (30,     16, 'RW', 'string', 'Конфигурация',   'Позывной станции');
INSERT INTO regs VALUES (31,     32, 'RW', 'data',   'Конфигурация',   'Таблица калибровки');
INSERT INTO regs VALUES (32,      1, 'RW', 'int',    'Конфигурация',   'Сетевой адрес устройства');
INSERT INTO regs VALUES (33,      4, 'RW', 'int',    'Конфигурация',   'Скорость обмена, бит/с');
INSERT INTO regs VALUES (34,      4, 'W',  'int',    'Конфигурация',   'Пароль доступа');

-- Service registers: panel key, alarms, journal, restore defaults, firmware, reboot.
INSERT INTO regs VALUES (3,       1, 'W',  'int',    'Сервис',         'Код нажатой кнопки панели');
INSERT INTO regs VALUES (9,       2, 'RW', 'int',    'Сервис',         'Текущие аварии');
INSERT INTO regs VALUES (79,      2, 'RW', 'int',    'Сервис',         'Журнал аварий');
INSERT INTO regs VALUES (65530,   1, 'W',  'int',    'Сервис',         'Восстановить заводские настройки');
INSERT INTO regs VALUES (65531,  16, 'R',  'string', 'Сервис',         'Версия встроенного ПО');
INSERT INTO regs VALUES (65535,   1, 'W',  'int',    'Сервис',         'Перезагрузка устройства');
COMMIT;
