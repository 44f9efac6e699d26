<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>QObject</name>
    <message>
        <source>Логирование</source>
        <translation>Logging</translation>
    </message>
    <message>
        <source>Дирректория файлов логов %1 не существует , создать дирректорию?</source>
        <translation>Log directory %1 does not exist. Create it?</translation>
    </message>
    <message>
        <source>Велькор %1 (%2)</source>
        <translation>Velkor %1 (%2)</translation>
    </message>
    <message>
        <source>Монитор обмена ТАРН</source>
        <translation>TARN exchange monitor</translation>
    </message>
</context>
<context>
    <name>TarnWindow</name>
    <message>
        <source>ТАРН</source>
        <translation>TARN</translation>
    </message>
    <message>
        <source>Частота, кГц</source>
        <translation>Frequency, kHz</translation>
    </message>
    <message>
        <source>&lt;b&gt;P&lt;/b&gt; сигнала, дБм</source>
        <translation>Signal &lt;b&gt;P&lt;/b&gt;, dBm</translation>
    </message>
    <message>
        <source>&lt;b&gt;U&lt;/b&gt; выхода, В</source>
        <translation>Output &lt;b&gt;U&lt;/b&gt;, V</translation>
    </message>
    <message>
        <source> Средний уровень U выхода</source>
        <translation> Average level of output U</translation>
    </message>
    <message>
        <source>&lt;b&gt;P&lt;/b&gt; средняя, дБм</source>
        <translation>Average &lt;b&gt;P&lt;/b&gt;, dBm</translation>
    </message>
    <message>
        <source>Задать текущую P</source>
        <translation>Set current P</translation>
    </message>
    <message>
        <source>Интервал логирования</source>
        <translation>Logging interval</translation>
    </message>
    <message>
        <source>,мс</source>
        <translation>,ms</translation>
    </message>
    <message>
        <source>Задать</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>MEM МАКС</source>
        <translation>MEM MAX</translation>
    </message>
    <message>
        <source>Нет захвата</source>
        <translation>No lock</translation>
    </message>
    <message>
        <source>Перегрузка</source>
        <translation>Overload</translation>
    </message>
    <message>
        <source>Атт :</source>
        <translation>Att :</translation>
    </message>
    <message>
        <source>Выкл</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>М1</source>
        <translation>M1</translation>
    </message>
    <message>
        <source>М2</source>
        <translation>M2</translation>
    </message>
    <message>
        <source>M3</source>
        <translation>M3</translation>
    </message>
    <message>
        <source>M4</source>
        <translation>M4</translation>
    </message>
    <message>
        <source>Сигнал</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>Напряжение</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>Секунд на графике</source>
        <translation>Seconds on chart</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Инструменты</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Регистры</source>
        <translation>Registers</translation>
    </message>
    <message>
        <source>Монитор</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>Писать лог сигнала</source>
        <translation>Write signal log</translation>
    </message>
    <message>
        <source>ee</source>
        <translation>ee</translation>
    </message>
    <message>
        <source>Захват</source>
        <translation>Lock</translation>
    </message>
    <message>
        <source>Нет Захвата</source>
        <translation>No lock</translation>
    </message>
    <message>
        <source>20 дБ</source>
        <translation>20 dB</translation>
    </message>
    <message>
        <source>&lt;b&gt;Перезапусить программу, с монитором соединения?&lt;/b&gt;</source>
        <translation>&lt;b&gt;Restart the program with the exchange monitor?&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Монитор соединения является средством диагностики и не рекомендуется к использованию в штатной работе.</source>
        <translation>The exchange monitor is a diagnostic tool and is not recommended for normal operation.</translation>
    </message>
    <message>
        <source> MEM --</source>
        <translation> MEM --</translation>
    </message>
    <message>
        <source> MEM %2 %3 дБ</source>
        <translation> MEM %2 %3 dB</translation>
    </message>
    <message>
        <source>P сигнала, дБм</source>
        <translation>Signal P, dBm</translation>
    </message>
    <message>
        <source>U выхода, В</source>
        <translation>Output U, V</translation>
    </message>
    <message>
        <source>P средняя, дБм</source>
        <translation>Average P, dBm</translation>
    </message>
    <message>
        <source>Интервал логирования, мс</source>
        <translation>Logging interval, ms</translation>
    </message>
    <message>
        <source>Разница с запомненным уровнем</source>
        <translation>Difference from the stored level</translation>
    </message>
    <message>
        <source>Очистить спектр</source>
        <translation>Clear spectrum</translation>
    </message>
    <message>
        <source>Маркер 1</source>
        <translation>Marker 1</translation>
    </message>
    <message>
        <source>Маркер 2</source>
        <translation>Marker 2</translation>
    </message>
    <message>
        <source>Маркер 3</source>
        <translation>Marker 3</translation>
    </message>
    <message>
        <source>Маркер 4</source>
        <translation>Marker 4</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Очистить график</source>
        <translation>Clear chart</translation>
    </message>
    <message>
        <source>Водопад</source>
        <translation>Waterfall</translation>
    </message>
    <message>
        <source>Журнал сигнала…</source>
        <translation>Signal log…</translation>
    </message>
</context>
<context>
    <name>ZAbstractDevice</name>
    <message>
        <source>Ошибка сохранения конфигурации: не задан класс настроек</source>
        <translation>Error saving configuration: settings class not set</translation>
    </message>
    <message>
        <source>Ошибка загрузки конфигурации: не задан класс настроек</source>
        <translation>Error loading configuration: settings class not set</translation>
    </message>
    <message>
        <source>%1: ошибка типа соединения! Установлен другой тип.</source>
        <translation>%1: connection type error! Another type is set.</translation>
    </message>
    <message>
        <source>%1: ошибка типа протокола! Установлен другой тип.</source>
        <translation>%1: protocol type error! Another type is set.</translation>
    </message>
    <message>
        <source>Ошибка! Устройство не имеет статусного регистра</source>
        <translation>Error! The device has no status register</translation>
    </message>
    <message>
        <source>%1: не установлен тип соединения</source>
        <translation>%1: connection type not set</translation>
    </message>
    <message>
        <source>Ошибка осановки устройсва! Устройсво уже осановленно</source>
        <translation>Device stop error! The device is already stopped</translation>
    </message>
    <message>
        <source>Устройсво уже запущено</source>
        <translation>The device is already started</translation>
    </message>
    <message>
        <source>Ошибка запуска! Не найден тип соединения</source>
        <translation>Start error! Connection type not found</translation>
    </message>
    <message>
        <source>Ошибка запуска! Не найден тип протокола взаимодействия</source>
        <translation>Start error! Communication protocol type not found</translation>
    </message>
    <message>
        <source>Ошибка запуска! Не найдена таблица регистров</source>
        <translation>Start error! Register table not found</translation>
    </message>
    <message>
        <source>Ошибка запуска! Не найден статусный регистр</source>
        <translation>Start error! Status register not found</translation>
    </message>
    <message>
        <source>%1: регистр %2 доступен только для записи.</source>
        <translation>%1: register %2 is write-only.</translation>
    </message>
    <message>
        <source>%1: регистр %2 доступен только для чтения.</source>
        <translation>%1: register %2 is read-only.</translation>
    </message>
    <message>
        <source>%1: ошибка преобразования значения в данные регистра.</source>
        <translation>%1: error converting the value to register data.</translation>
    </message>
    <message>
        <source>%1: устройство остановлено.</source>
        <translation>%1: device stopped.</translation>
    </message>
    <message>
        <source>%1: устройство заблокировано.</source>
        <translation>%1: device blocked.</translation>
    </message>
    <message>
        <source>%1: регистр %2 не найден в таблице регистров.</source>
        <translation>%1: register %2 not found in the register table.</translation>
    </message>
</context>
<context>
    <name>ZChartExport</name>
    <message>
        <source>Сохранить изображение…</source>
        <translation>Save image…</translation>
    </message>
    <message>
        <source>Сохранить данные…</source>
        <translation>Save data…</translation>
    </message>
    <message>
        <source>Сохранить изображение</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>Сохранить данные</source>
        <translation>Save data</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source>Не удалось сохранить %1: %2</source>
        <translation>Could not save %1: %2</translation>
    </message>
    <message>
        <source>запись не удалась</source>
        <translation>writing failed</translation>
    </message>
    <message>
        <source>Изображение PNG (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>Документ PDF (*.pdf)</source>
        <translation>PDF document (*.pdf)</translation>
    </message>
    <message>
        <source>изображение не построено</source>
        <translation>the image could not be drawn</translation>
    </message>
    <message>
        <source>изображение записано не полностью</source>
        <translation>the image was written incompletely</translation>
    </message>
</context>
<context>
    <name>ZConsole</name>
    <message>
        <source>No such command [%1]</source>
        <translation>No such command [%1]</translation>
    </message>
    <message>
        <source>Command %1 needs argumet and value (Example for [set] command: set autoask 0</source>
        <translation>Command %1 needs argumet and value (Example for [set] command: set autoask 0</translation>
    </message>
    <message>
        <source>Command [%1] has not argument [%2]</source>
        <translation>Command [%1] has not argument [%2]</translation>
    </message>
</context>
<context>
    <name>ZExchangeText</name>
    <message>
        <source>&gt; %1</source>
        <translation>&gt; %1</translation>
    </message>
    <message>
        <source>&lt; %1</source>
        <translation>&lt; %1</translation>
    </message>
</context>
<context>
    <name>ZFastLoader</name>
    <message>
        <source>Ошибка загрузки драйвера базы данных</source>
        <translation>Error loading the database driver</translation>
    </message>
    <message>
        <source>Ошибка содинения базы данных</source>
        <translation>Database connection error</translation>
    </message>
    <message>
        <source>Ошибка SQL запроса : %1</source>
        <translation>SQL query error: %1</translation>
    </message>
    <message>
        <source>Ошибка номера регистра : строка %1</source>
        <translation>Register number error: row %1</translation>
    </message>
    <message>
        <source>Ошибка длины регистра : строка %1</source>
        <translation>Register length error: row %1</translation>
    </message>
    <message>
        <source>Ошибка признака чтения/записи регистра : строка %1</source>
        <translation>Register read/write flag error: row %1</translation>
    </message>
    <message>
        <source>Файл базы данных не существует</source>
        <translation>Database file does not exist</translation>
    </message>
    <message>
        <source>Не найден драйвер базы данных</source>
        <translation>Database driver not found</translation>
    </message>
    <message>
        <source>База данных регистров не содержит корректных записей</source>
        <translation>The register database contains no valid records</translation>
    </message>
    <message>
        <source>База данных регистров содержит дублирующие номера</source>
        <translation>The register database contains duplicate numbers</translation>
    </message>
    <message>
        <source>База данных регистров не содержит статусного регистра</source>
        <translation>The register database contains no status register</translation>
    </message>
    <message>
        <source>Статусный регистр не найден</source>
        <translation>Status register not found</translation>
    </message>
</context>
<context>
    <name>ZFastProtocolHendler</name>
    <message>
        <source>Bad CRC</source>
        <translation>Bad CRC</translation>
    </message>
    <message>
        <source>Ошибка адреса отправителя. Ожидание %1, приянт %2</source>
        <translation>Sender address error. Expected %1, received %2</translation>
    </message>
    <message>
        <source>Ошибка адреса получателя. Ожидание %1, приянт %2</source>
        <translation>Receiver address error. Expected %1, received %2</translation>
    </message>
    <message>
        <source>Чтение регистра невозможно, либо регистр не найден. Ответ ошибкой %1</source>
        <translation>Register cannot be read or was not found. Error reply %1</translation>
    </message>
    <message>
        <source>Запись регистра невозможна, либо регистр не найден. Ответ ошибкой %1</source>
        <translation>Register cannot be written or was not found. Error reply %1</translation>
    </message>
    <message>
        <source>Неудачная попытка чтения. Ответ ошибкой %1</source>
        <translation>Read attempt failed. Error reply %1</translation>
    </message>
    <message>
        <source>Неудачная попытка записи. Ответ ошибкой %1</source>
        <translation>Write attempt failed. Error reply %1</translation>
    </message>
    <message>
        <source>Неверное количество байтов значения регистра. Ответ ошибкой %1</source>
        <translation>Wrong number of register value bytes. Error reply %1</translation>
    </message>
    <message>
        <source>Незивестная ошибка. Ответ ошибкой %1</source>
        <translation>Unknown error. Error reply %1</translation>
    </message>
    <message>
        <source>Ошибка байта команды. Ожидание %1, приянт %2</source>
        <translation>Command byte error. Expected %1, received %2</translation>
    </message>
    <message>
        <source>Ошибка номера регистра. Ожидание %1, приянт %2</source>
        <translation>Register number error. Expected %1, received %2</translation>
    </message>
    <message>
        <source>Ошибка длины регистра. Ожидание %1, приянт %2</source>
        <translation>Register length error. Expected %1, received %2</translation>
    </message>
    <message>
        <source>Нет ошибок</source>
        <translation>No errors</translation>
    </message>
</context>
<context>
    <name>ZLcdPannel</name>
    <message>
        <source>Клавиша ESC</source>
        <translation>ESC key</translation>
    </message>
    <message>
        <source>Клавиша вверх</source>
        <translation>Up key</translation>
    </message>
    <message>
        <source>Клавиша ALR</source>
        <translation>ALR key</translation>
    </message>
    <message>
        <source>Клавиша влево</source>
        <translation>Left key</translation>
    </message>
    <message>
        <source>Клавиша стоп</source>
        <translation>Stop key</translation>
    </message>
    <message>
        <source>Клавиша вправо</source>
        <translation>Right key</translation>
    </message>
    <message>
        <source>Клавиша R</source>
        <translation>R key</translation>
    </message>
    <message>
        <source>Клавиша вниз</source>
        <translation>Down key</translation>
    </message>
    <message>
        <source>Клавиша OK</source>
        <translation>OK key</translation>
    </message>
</context>
<context>
    <name>ZMarkerMenu</name>
    <message>
        <source>Абсолют</source>
        <translation>Absolute</translation>
    </message>
    <message>
        <source>Максимум</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Дельта</source>
        <translation>Delta</translation>
    </message>
    <message>
        <source>Дельта М%1</source>
        <translation>Delta M%1</translation>
    </message>
</context>
<context>
    <name>ZMonitor</name>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Переданные</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Принятые</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>Monitor created, device status:</source>
        <translation>Monitor created, device status:</translation>
    </message>
    <message>
        <source>%1: STARTED at %2</source>
        <translation>%1: STARTED at %2</translation>
    </message>
    <message>
        <source>%1: STOPPED</source>
        <translation>%1: STOPPED</translation>
    </message>
    <message>
        <source>%1: CONNECTED</source>
        <translation>%1: CONNECTED</translation>
    </message>
    <message>
        <source>%1: DISCONNECTED</source>
        <translation>%1: DISCONNECTED</translation>
    </message>
    <message>
        <source>%1: initialize starting sequence</source>
        <translation>%1: initialize starting sequence</translation>
    </message>
    <message>
        <source>%1: stopping</source>
        <translation>%1: stopping</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1: %2 set to %3</source>
        <translation>%1: %2 set to %3</translation>
    </message>
    <message>
        <source>%1 does not contain property : %2</source>
        <translation>%1 does not contain property : %2</translation>
    </message>
    <message>
        <source>%1 is not proper value for %2</source>
        <translation>%1 is not proper value for %2</translation>
    </message>
    <message>
        <source>%1 not supported property type</source>
        <translation>%1 not supported property type</translation>
    </message>
    <message>
        <source>Консоль</source>
        <translation>Console</translation>
    </message>
</context>
<context>
    <name>ZNetworkLine</name>
    <message>
        <source>Нет соединения с %1: сетевая библиотека не запускается</source>
        <translation>No connection to %1: the network library does not start</translation>
    </message>
    <message>
        <source>Нет соединения с %1: %2</source>
        <translation>No connection to %1: %2</translation>
    </message>
    <message>
        <source>Нет соединения с %1: сервер не отвечает</source>
        <translation>No connection to %1: the server does not answer</translation>
    </message>
    <message>
        <source>%1 не принимает параметры линии (RFC 2217): %2</source>
        <translation>%1 does not accept the line settings (RFC 2217): %2</translation>
    </message>
</context>
<context>
    <name>ZPortAccess</name>
    <message>
        <source>Порт %1 занят другой программой (%2)</source>
        <translation>Port %1 is in use by another program (%2)</translation>
    </message>
    <message>
        <source>Нет доступа к порту %1 (%2): %3</source>
        <translation>No access to port %1 (%2): %3</translation>
    </message>
    <message>
        <source>Не удалось открыть порт %1: %2</source>
        <translation>Could not open port %1: %2</translation>
    </message>
    <message>
        <source>нужно членство в группе «%1» (sudo usermod -aG %1 %2) и новый вход в систему</source>
        <translation>membership of group “%1” is needed (sudo usermod -aG %1 %2), then log in again</translation>
    </message>
    <message>
        <source>открыть его может только владелец, доступ даёт администратор</source>
        <translation>only its owner can open it; ask the administrator for access</translation>
    </message>
</context>
<context>
    <name>ZPortName</name>
    <message>
        <source>ожидается tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ, адрес IPv6 в квадратных скобках: tcp://[::1]:2001</source>
        <translation>expected tcp://HOST:PORT or rfc2217://HOST:PORT, an IPv6 address in square brackets: tcp://[::1]:2001</translation>
    </message>
    <message>
        <source>Неверное имя порта «%1»: %2</source>
        <translation>Invalid port name “%1”: %2</translation>
    </message>
    <message>
        <source>Неверный адрес IPv6 в имени порта «%1»: %2</source>
        <translation>Invalid IPv6 address in the port name “%1”: %2</translation>
    </message>
    <message>
        <source>Неверный номер порта в «%1»: от 1 до 65535; %2</source>
        <translation>Invalid port number in “%1”: from 1 to 65535; %2</translation>
    </message>
</context>
<context>
    <name>ZRealTimeChart</name>
    <message>
        <source>График сигнала</source>
        <translation>Signal chart</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Время, с</source>
        <translation>Time, s</translation>
    </message>
</context>
<context>
    <name>ZRegControl</name>
    <message>
        <source>Прочитать регистр</source>
        <translation>Read register</translation>
    </message>
    <message>
        <source>Прочитать группу</source>
        <translation>Read group</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Чтение регистра %1 [%v/%2]</source>
        <translation>Reading register %1 [%v/%2]</translation>
    </message>
    <message>
        <source>Без статусных</source>
        <translation>Non-status</translation>
    </message>
    <message>
        <source>Все</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Нет соединения с устройством</source>
        <translation>No connection to the device</translation>
    </message>
    <message>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Регистры</source>
        <translation>Registers</translation>
    </message>
</context>
<context>
    <name>ZRegModel</name>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>Только запись</source>
        <translation>Write only</translation>
    </message>
    <message>
        <source>Только чтение</source>
        <translation>Read only</translation>
    </message>
    <message>
        <source>Чтение и запись</source>
        <translation>Read/write</translation>
    </message>
    <message>
        <source>Неизвестный параметр %1</source>
        <translation>Unknown parameter %1</translation>
    </message>
    <message>
        <source>Целое</source>
        <translation>Integer</translation>
    </message>
    <message>
        <source>Вещественное</source>
        <translation>Float</translation>
    </message>
    <message>
        <source>Данные</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>Строка</source>
        <translation>String</translation>
    </message>
    <message>
        <source>Устройство ответило ошибкой</source>
        <translation>Device replied with an error</translation>
    </message>
    <message>
        <source>Подтверждение...</source>
        <translation>Confirming...</translation>
    </message>
    <message>
        <source>Ошибка подтверждения</source>
        <translation>Confirmation error</translation>
    </message>
    <message>
        <source>№</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Значение</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Признак</source>
        <translation>Access</translation>
    </message>
    <message>
        <source>Тип</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Назначение</source>
        <translation>Purpose</translation>
    </message>
</context>
<context>
    <name>ZSerialConnection</name>
    <message>
        <source>Serial name is empty</source>
        <translation>Serial name is empty</translation>
    </message>
    <message>
        <source>Attempting to open serial %1</source>
        <translation>Attempting to open serial %1</translation>
    </message>
    <message>
        <source>Serial opened %1</source>
        <translation>Serial opened %1</translation>
    </message>
    <message>
        <source>Serial device started on %1</source>
        <translation>Serial device started on %1</translation>
    </message>
    <message>
        <source>Attempting to close serial %1</source>
        <translation>Attempting to close serial %1</translation>
    </message>
    <message>
        <source>Serial closed %1</source>
        <translation>Serial closed %1</translation>
    </message>
    <message>
        <source>Соединение с %1 потеряно: %2</source>
        <translation>Connection to %1 lost: %2</translation>
    </message>
    <message>
        <source>%1 не отвечает на %2 запросов подряд: соединение устанавливается заново</source>
        <translation>%1 has not answered %2 requests in a row: connecting again</translation>
    </message>
</context>
<context>
    <name>ZSerialStatusWidget</name>
    <message>
        <source>Запуск</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>&lt;b&gt;Статус:&lt;/b&gt; нет соединения</source>
        <translation>&lt;b&gt;Status:&lt;/b&gt; not connected</translation>
    </message>
    <message>
        <source>&lt;b&gt;Соединение:&lt;/b&gt; порт закрыт</source>
        <translation>&lt;b&gt;Connection:&lt;/b&gt; port closed</translation>
    </message>
    <message>
        <source>&lt;b&gt;Статус:&lt;/b&gt; соединен</source>
        <translation>&lt;b&gt;Status:&lt;/b&gt; connected</translation>
    </message>
    <message>
        <source>&lt;b&gt;Соединение:&lt;/b&gt; запуск</source>
        <translation>&lt;b&gt;Connection:&lt;/b&gt; starting</translation>
    </message>
    <message>
        <source>&lt;b&gt;Соединение:&lt;/b&gt; порт открыт</source>
        <translation>&lt;b&gt;Connection:&lt;/b&gt; port open</translation>
    </message>
    <message>
        <source>Остановить</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>&lt;b&gt;Соединение:&lt;/b&gt; остановка</source>
        <translation>&lt;b&gt;Connection:&lt;/b&gt; stopping</translation>
    </message>
    <message>
        <source>Настройки порта</source>
        <translation>Port settings</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
</context>
<context>
    <name>ZSetSerialDialog</name>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>RTS/CTS</source>
        <translation>RTS/CTS</translation>
    </message>
    <message>
        <source>XON/XOFF</source>
        <translation>XON/XOFF</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>Дата бит</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>Стоп бит</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>Четность</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>Контроль</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Линия настраивается на сервере %1</source>
        <translation>The line is set on the server %1</translation>
    </message>
    <message>
        <source>Параметры передаются серверу %1; показаны подтверждённые им</source>
        <translation>The settings are sent to the server %1; those it confirmed are shown</translation>
    </message>
</context>
<context>
    <name>ZSignalLogChart</name>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>P сигнала, дБм</source>
        <translation>Signal P, dBm</translation>
    </message>
    <message>
        <source>Журнал сигнала</source>
        <translation>Signal log</translation>
    </message>
    <message>
        <source>Нет точек на виду</source>
        <translation>No points in view</translation>
    </message>
    <message>
        <source>Мин %1  Макс %2  Среднее %3 дБм, точек: %4</source>
        <translation>Min %1  Max %2  Mean %3 dBm, points: %4</translation>
    </message>
</context>
<context>
    <name>ZSignalLogFile</name>
    <message>
        <source>имя файла не дата вида гггг-ММ-дд</source>
        <translation>the file name is not a date of the form yyyy-MM-dd</translation>
    </message>
    <message>
        <source>файла нет</source>
        <translation>no such file</translation>
    </message>
</context>
<context>
    <name>ZSignalLogViewer</name>
    <message>
        <source>Журнал сигнала</source>
        <translation>Signal log</translation>
    </message>
    <message>
        <source>Дни журнала</source>
        <translation>Days of the log</translation>
    </message>
    <message>
        <source>Статистика участка на виду</source>
        <translation>Statistics of the span in view</translation>
    </message>
    <message>
        <source>Чтение файла журнала</source>
        <translation>Reading the log file</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Следить за файлом</source>
        <translation>Follow the file</translation>
    </message>
    <message>
        <source>Сохранить данные…</source>
        <translation>Save data…</translation>
    </message>
    <message>
        <source>Сохранить данные участка на виду</source>
        <translation>Save the data of the span in view</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>Журнал сигнала не ведётся</source>
        <translation>No signal log is kept</translation>
    </message>
    <message>
        <source>В папке %1 нет файлов журнала</source>
        <translation>No log files in the folder %1</translation>
    </message>
    <message>
        <source>Папки журнала %1 нет</source>
        <translation>The log folder %1 does not exist</translation>
    </message>
    <message>
        <source>Чтение %1…</source>
        <translation>Reading %1…</translation>
    </message>
    <message>
        <source>Не удалось прочитать %1: %2</source>
        <translation>Could not read %1: %2</translation>
    </message>
    <message>
        <source>%1 — строк: %2, нечитаемых: %3</source>
        <translation>%1 — lines: %2, unreadable: %3</translation>
    </message>
</context>
<context>
    <name>ZSpectrChart</name>
    <message>
        <source>1000</source>
        <translation>1000</translation>
    </message>
    <message>
        <source>кГц</source>
        <translation>kHz</translation>
    </message>
    <message>
        <source>дБм</source>
        <translation>dBm</translation>
    </message>
    <message>
        <source>Спектр</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Максимум %1 дБм на %2 кГц</source>
        <translation>Maximum %1 dBm at %2 kHz</translation>
    </message>
    <message>
        <source>Частота, кГц</source>
        <translation>Frequency, kHz</translation>
    </message>
    <message>
        <source>Уровень, дБм</source>
        <translation>Level, dBm</translation>
    </message>
    <message>
        <source>Маркер</source>
        <translation>Marker</translation>
    </message>
</context>
<context>
    <name>ZSpectrLegend</name>
    <message>
        <source>М%1 </source>
        <translation>M%1 </translation>
    </message>
    <message>
        <source>АБС </source>
        <translation>ABS </translation>
    </message>
    <message>
        <source>МАКС </source>
        <translation>MAX </translation>
    </message>
    <message>
        <source>%1 МАКС </source>
        <translation>%1 MAX </translation>
    </message>
    <message>
        <source>%1 </source>
        <translation>%1 </translation>
    </message>
</context>
<context>
    <name>ZTarnVex</name>
    <message>
        <source>Общая авария</source>
        <translation>General alarm</translation>
    </message>
    <message>
        <source>Авария Flash</source>
        <translation>Flash alarm</translation>
    </message>
    <message>
        <source>Авария во ВЧ</source>
        <translation>RF alarm</translation>
    </message>
    <message>
        <source>Авария захват PLL</source>
        <translation>PLL lock alarm</translation>
    </message>
    <message>
        <source>Авария PLL</source>
        <translation>PLL alarm</translation>
    </message>
    <message>
        <source>Перегрузка сигналом</source>
        <translation>Signal overload</translation>
    </message>
    <message>
        <source>Ошибка польз. ключа</source>
        <translation>User key error</translation>
    </message>
    <message>
        <source>%1: ошибка преобразования значения в данные регистра.</source>
        <translation>%1: error converting the value to register data.</translation>
    </message>
</context>
<context>
    <name>ZTransactionQueue</name>
    <message>
        <source>Несовпадение значения при записи, записано %1 получено %2</source>
        <translation>Value mismatch on write: wrote %1, received %2</translation>
    </message>
    <message>
        <source>Ошибка проверки значения, записано %1 прочитано %2</source>
        <translation>Value check failed: wrote %1, read back %2</translation>
    </message>
    <message>
        <source>Нет ответа от устройства</source>
        <translation>No response from the device</translation>
    </message>
</context>
<context>
    <name>ZWaterfallChart</name>
    <message>
        <source>Уровень, дБм</source>
        <translation>Level, dBm</translation>
    </message>
    <message>
        <source>Частота, кГц</source>
        <translation>Frequency, kHz</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Водопад</source>
        <translation>Waterfall</translation>
    </message>
    <message>
        <source>нет уровня</source>
        <translation>no level</translation>
    </message>
    <message>
        <source>%1 дБм</source>
        <translation>%1 dBm</translation>
    </message>
    <message>
        <source>%1 кГц: %2
%3</source>
        <translation>%1 kHz: %2
%3</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Строк: %1, с %2 по %3; шкала от %4 до %5 дБм</source>
        <translation>Rows: %1, from %2 to %3; scale from %4 to %5 dBm</translation>
    </message>
</context>
<context>
    <name>ZWaterfallWindow</name>
    <message>
        <source>Водопад</source>
        <translation>Waterfall</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Очистить водопад</source>
        <translation>Clear the waterfall</translation>
    </message>
    <message>
        <source>Шкала по данным</source>
        <translation>Scale follows the data</translation>
    </message>
    <message>
        <source>Нижний край шкалы, дБм</source>
        <translation>Lower end of the scale, dBm</translation>
    </message>
    <message>
        <source>Верхний край шкалы, дБм</source>
        <translation>Upper end of the scale, dBm</translation>
    </message>
    <message>
        <source>от</source>
        <translation>from</translation>
    </message>
    <message>
        <source>до</source>
        <translation>to</translation>
    </message>
    <message>
        <source>дБм</source>
        <translation>dBm</translation>
    </message>
</context>
</TS>
