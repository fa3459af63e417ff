#include "data/schema.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/keys/key_file.h"
#include "data/keys/private_files.h"
#include "data/vaccine_records.h"
#include "clinical/vaccine_schedule.h"
#include "data/jet_dialect.h"
#include "data/server_functions.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>

namespace schema {

namespace {

using enum Type;

std::vector<Column> textColumns(const QStringList &names, Type type = Text)
{
    std::vector<Column> columns;
    for (const QString &name : names)
        columns.push_back({name, type});
    return columns;
}

template <typename... Lists>
std::vector<Column> joined(std::vector<Column> first, const Lists &...rest)
{
    (first.insert(first.end(), rest.begin(), rest.end()), ...);
    return first;
}

const QString Today = QStringLiteral("(date('now','localtime'))");
const QString ServerToday = QStringLiteral("CURRENT_DATE");

std::vector<Table> declare()
{
    const std::vector<Column> child = {
        {"ID", AutoNumber},
        {"ONOMA", Text, true},
        {"EPWNYMO", Text, true},
        {"FYLO", Text, true},
        {"HMEROMHNIA_GENNHSEWS", Date, true},
        {"ONOMATEPWNYMO_PATERA", Text, true},
        {"ONOMATEPWNYMO_MHTERAS", Text, true},
        {"ONOMATEPWNYMO_KHDEMONA", Text, true},
        {"DIEYTHYNSH", Text, true},
        {"THLEFWNO_1", Text, true},
        {"THLEFWNO_2", Text},
        {"ORFANOS_APO", Text},
        {"GONEIS_DIAZEYGMENOI_DIASTASH", Text},
        {"HLIKIA_PATERA", Text},
        {"HLIKIA_MHTERA", Text},
        {"HLIKIA_KHDEMONA", Text},
        {"ERGASIA_PATERA", Text},
        {"ERGASIA_MHTERAS", Text},
        {"ERGASIA_KHDEMONA", Text},
        {"PROHGOYMENOS_PAIDIATROS", Text},
        {"ISTORIKO", LongText},
    };
    std::vector<Column> appointment = {{"HMEROMHNIA", Date, true, {}, true}};
    for (const QString &slot : appointmentSlots())
        appointment.push_back({slot, Text});

    const auto perChild = [](const QString &name, std::vector<Column> columns) {
        columns.insert(columns.begin(), Column{"ID", Integer});
        return Table{name, columns, "ID"};
    };
    const auto book = [](const QString &name) {
        return Table{name, {{"ID", AutoNumber}, {"TITLOS", Text, true}, {"PERIGRAFH", LongText, true}}};
    };

    return {
        {"STOIXEIA_PAIDIOY", joined(child, textColumns(healthColumns()), textColumns(doseColumns(), Date))},
        perChild("EPISKEPSEIS", {{"HMEROMHNIA", Date, true}, {"AITIA", Text, true}, {"PERIGRAFH", Text, true}}),
        perChild("ERGASTHRIAKA",
                 {{"HMEROMHNIA", Date, true},
                  {"EKSETASH", Text, true},
                  {"MIN", Text, true},
                  {"MAX", Text, true},
                  {"APOTELESMA", Text, true},
                  {"MONADES", Text, true}}),
        perChild("SWMATOMETRIA",
                 {{"HMEROMHNIA", Date, true},
                  {"YPSOS", Double, true},
                  {"BAROS", Double, true},
                  {"PERIMETROS_KEFALHS", Double}}),
        {"APODEIKSEIS",
         {{"AR_APODEIKSHS", Integer},
          {"HMEROMHNIA", Date, false, Today},
          {"ONOMA_PAIDIOY", Text},
          {"EPWNYMO_PAIDIOY", Text},
          {"PARALHPTHS", Text},
          {"POSO", Double},
          {"TAMEIO", Text},
          {"POSO_CY", Double},
          {"PERIGRAFH", Text},
          {"EGKYRH", YesNo, false, "1"}}},
        // Amounts received are accounting records: they stay when the child is deleted.
        {"EISPRAKSH_PELATH",
         {{"ID", Integer},
          {"POSO", Double},
          {"PERIGRAFH", Text},
          {"TAMEIO", Text},
          {"POSO_CY", Double},
          {"AR_APODEIKSHS", Integer},
          {"HMEROMHNIA", Date, false, Today}}},
        {"LAST_APODEIKSH", {{"LAST", Integer, true}}},
        {"EKSODA",
         {{"HMEROMHNIA", Date, true}, {"POSO", Double, true}, {"VAT", Double, true}, {"PERIGRAFH", Text, true}}},
        {"RANTEBOU", appointment},
        {"YPENTHIMISEIS", {{"HMEROMHNIA", Date, true}, {"PERIGRAFH", LongText}}},
        book("DIAITES"),
        book("SHMEIWSEIS"),
        {"XRHSIMA_THLEFWNA",
         {{"ONOMATEPWNYMO", Text, true},
          {"DIEYTHYNSH", Text, true},
          {"THLEFWNO_1", Text, true},
          {"THLEFWNO_2", Text},
          {"FAX", Text},
          {"EMAIL", Text},
          {"PERIGRAFH", Text}}},
        {"GIATROI_ALLWN_EIDIKOTHTWN",
         {{"ONOMA", Text, true},
          {"EPWNYMO", Text, true},
          {"DIEYTHYNSH", Text},
          {"THLEFWNO_1", Text, true},
          {"THLEFWNO_2", Text},
          {"EIDIKOTHTA", Text, true}}},
        {"INFORMATION",
         joined(std::vector<Column>{{"TITLE", Text, true}},
                textColumns({"ADDRESS1", "ADDRESS2", "PHONE", "FAX", "WEBSITE", "EMAIL", "AFM", "EXTRA1", "EXTRA2",
                             "EXTRA3", "EXTRA4", "EXTRA5", "EXTRA6", "EXTRA7"}))},
        {"SECURITY", {{"PASSWORD", Text, true}}},
        // The vaccination schedule as data: each version with the circular it comes from, its
        // series doses, its rules beyond one interval a dose, and the products that count.
        {"EMBOLIA_PROGRAMMATA",
         {{"ID", AutoNumber},
          {"ONOMA", Text, true},
          {"EGKYKLIOS", Text},
          {"HMEROMHNIA", Date},
          {"SE_ISXY", YesNo, false, "0"}}},
        {"EMBOLIA_DOSEIS",
         joined(std::vector<Column>{{"PROGRAMMA", Integer, true}, {"SEIRA", Text, true}, {"DOSH", Integer, true}},
                textColumns({"ONOMA", "SYNISTATAI_APO", "SYNISTATAI_EWS", "ELAXISTH_HLIKIA", "ELAXISTO_DIASTHMA",
                             "DIASTHMA_APO", "MEGISTH_HLIKIA", "SELIDA", "SHMEIWSEIS"}))},
        {"EMBOLIA_KANONES",
         joined(std::vector<Column>{{"PROGRAMMA", Integer, true}, {"SEIRA", Text, true}, {"KANONAS", Text, true}},
                textColumns({"DOSH", "APO_DOSH", "TIMH", "SHMEIWSEIS"}))},
        {"EMBOLIA_SKEYASMATA",
         {{"PROGRAMMA", Integer, true}, {"ONOMA", Text, true}, {"SEIRES", Text, true}}},
        // Doses the child's row has no column for, and doses not given with the reason.
        perChild("EMBOLIA_EPIPLEON",
                 {{"SEIRA", Text, true},
                  {"DOSH", Integer},
                  {"HMEROMHNIA", Date},
                  {"SKEYASMA", Text},
                  {"ALLOU", YesNo, false, "0"},
                  {"MH_XORHGHSH", Text},
                  {"SHMEIWSH", Text}}),
    };
}

QString typeText(Type type)
{
    switch (type) {
    case AutoNumber: return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case Integer: return QStringLiteral("INTEGER");
    case Double: return QStringLiteral("DOUBLE");
    case Date: return QStringLiteral("DATE");
    case Text: return QStringLiteral("TEXT(%1) COLLATE %2").arg(TextLength).arg(QLatin1String(jet::GreekCollation));
    case LongText: return QStringLiteral("LONGTEXT COLLATE %1").arg(QLatin1String(jet::GreekCollation));
    case YesNo: return QStringLiteral("BOOLEAN");
    }
    return {};
}

// The server's types read back as the file's do: dates as yyyy-mm-dd, amounts as the decimals
// they were written as (SUM adds them exactly), yes/no as 0 and 1.
QString serverTypeText(Type type)
{
    switch (type) {
    case AutoNumber: return QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    case Integer: return QStringLiteral("integer");
    case Double: return QStringLiteral("numeric");
    case Date: return QStringLiteral("date");
    case Text: return QStringLiteral("varchar(%1) COLLATE GREEK").arg(TextLength);
    case LongText: return QStringLiteral("text COLLATE GREEK");
    case YesNo: return QStringLiteral("integer");
    }
    return {};
}

// A required text holding only blanks is as empty as the empty text.
QString requiredCheck(const QString &column, jet::Engine engine = jet::Engine::SqlCipher)
{
    if (engine == jet::Engine::Postgres)
        return QStringLiteral("btrim(%1, ' ' || chr(9) || chr(10) || chr(13)) <> ''").arg(column);
    return QStringLiteral("trim(%1, char(32, 9, 10, 13)) <> ''").arg(column);
}

// The checks carry names "rule:TABLE.COLUMN" so that a refusal can name the column.
QString columnDefinition(const Table &table, const Column &column, jet::Engine engine = jet::Engine::SqlCipher)
{
    const bool server = engine == jet::Engine::Postgres;
    const QString c = QLatin1Char('[') + column.name + QLatin1Char(']');
    const auto check = [&](const char *rule, const QString &expression) {
        return QStringLiteral(" CONSTRAINT [%1:%2.%3] CHECK(%4)")
            .arg(QLatin1String(rule), table.name, column.name, expression);
    };
    QString definition = c + QLatin1Char(' ') + (server ? serverTypeText(column.type) : typeText(column.type));
    const bool text = column.type == Text || column.type == LongText;
    if (column.required)
        definition += QStringLiteral(" NOT NULL") +
                      (server && !text ? QString() : check("required", requiredCheck(c, engine)));
    if (!column.defaultValue.isEmpty())
        definition += QStringLiteral(" DEFAULT ") + (server && column.defaultValue == Today ? ServerToday : column.defaultValue);
    if (column.unique)
        definition += QStringLiteral(" UNIQUE");
    // The server's types refuse what the file's checks refuse, but for a text's length counted
    // in characters and the two values of a yes/no.
    if (server && column.type != Text && column.type != YesNo)
        return definition;
    switch (column.type) {
    case Text:
        definition += check("length", QStringLiteral("length(%1) <= %2").arg(c).arg(TextLength));
        break;
    case Date:
        definition += check("date", QStringLiteral("%1 IS NULL OR (typeof(%1) = 'text' AND date(%1, '+0 days') IS %1)").arg(c));
        break;
    case Integer:
        definition += check("number", QStringLiteral("typeof(%1) IN ('integer', 'null')").arg(c));
        break;
    case Double:
        definition += check("number", QStringLiteral("typeof(%1) IN ('integer', 'real', 'null')").arg(c));
        break;
    case YesNo:
        definition += check("yesno", QStringLiteral("%1 IN (0, 1)").arg(c));
        break;
    case AutoNumber:
    case LongText:
        break;
    }
    return definition;
}

} // namespace

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = declare();
    return all;
}

const Table *findTable(const QString &name)
{
    for (const Table &table : tables())
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return &table;
    return nullptr;
}

QStringList healthColumns()
{
    // clang-format off
    return {"DIABHTHS",     "EPILHPSIA",      "KARDIOPATHIA", "ASTHMA",         "ALLERGIES", "BROGXIKA",
            "DIATARAXES_AKOH", "DIATARAXES_ORASH", "HPATITIDA", "EKZEMA",      "ANAIMIA",   "PSWRIASH",
            "LEYXAIMIA",    "ANEMEBLOGIA",    "DIFTHERITIDA", "OSTRAKIA",       "ILARA",     "KOKKITHS",
            "PARWTITIDA",   "ERYTHRA",        "5HNOSOS",      "AIFNIDIO_EKSANTHIMA", "POLYOMYELITIDA"};
    // clang-format on
}

QStringList listedHealthColumns()
{
    return {"DIABHTHS", "EPILHPSIA", "KARDIOPATHIA", "ASTHMA", "ALLERGIES",
            "BROGXIKA", "DIATARAXES_AKOH", "DIATARAXES_ORASH", "ILARA", "DIFTHERITIDA",
            "KOKKITHS", "PARWTITIDA", "ERYTHRA", "OSTRAKIA", "ANEMEBLOGIA",
            "POLYOMYELITIDA", "ANAIMIA", "HPATITIDA", "5HNOSOS", "AIFNIDIO_EKSANTHIMA",
            "PSWRIASH", "EKZEMA", "LEYXAIMIA"};
}

QStringList Vaccine::doses() const
{
    if (doseCount == 1)
        return {QString::fromLatin1(column)};
    QStringList names;
    for (int dose = 1; dose <= doseCount; ++dose)
        names << QString::fromLatin1(column).arg(dose);
    return names;
}

const std::vector<Vaccine> &vaccines()
{
    // Stored data relies on these columns: the three-dose "Men C" keeps the AC columns.
    static const std::vector<Vaccine> all = {
        {"Ηπατίτιδα (Hep B)", "HPATITIDA_B%1", 3, 1},
        {"Αιμόφιλος Ιφλουέντσας (Hib)", "IFLOYENTZA_%1", 4, 2},
        {"Πολιομυελίτιδα (IPV)", "POLIOMYELITIDA_%1", 4, 4},
        {"Διφθερίτιδα - Τέτανος - Κοκκύτης - Dtap (Ακυτταρικό)", "DIFTHERITIDA_TETANOS_KOKKITHS_%1", 5, 3},
        {"Ηπατίτιδα Α (Hep A)", "HPATITIDA_A%1", 2, 10},
        {"Ανεμευλογιά (VAR)", "ANEMEYLOGIA_%1", 2, 7},
        {"Πνευμονιόκοκκος - PCV7 (Συνδεδεμένο)", "PNEYMONIOKOKOS_%1_PCV7", 4, 5},
        {"Ιλαρά - Παρωτίτιδα - Ερυθρά (MMR)", "ILARA_PARWTITIDA_ERYTHRA_%1", 2, 6},
        {"Ροταίος (Rota Virus)", "ROTAIOS_%1", 2, 12},
        {"Μηνιγγιτιδόκοκκος - Men C (Συνδεδεμένο)", "MHNIGGITIDOKOKOS_AC%1", 3, 9},
        {"Μηνιγγιτιδόκοκκος - Men A+C (Πολυσακχαριδικό)", "MHNIGGITIDOKOKOSC", 1, 11},
        {"Φυματίωση (BCG)", "FYMATIWSH", 1, 13},
        {"Ιός των ανθρωπίνων θηλωμάτων (HPV)", "IOS_TWN_ANTHRWPINWN_THILWMATWN_%1", 3, 8},
        {"Πνευμονιόκοκκος - Pneumo 23 (Πολυσακχαριδικό)", "PNEYMONIOKOKOS_PNEYMO23", 1, 14},
        {"Αντιγριπικό εμβόλιο (INFL)", "ANTIGRIPIKO", 1, 15},
    };
    return all;
}

QStringList doseColumns()
{
    QStringList doses;
    for (const Vaccine &vaccine : vaccines())
        doses << vaccine.doses();
    return doses;
}

QStringList listedDoseColumns()
{
    std::vector<const Vaccine *> listed;
    for (const Vaccine &vaccine : vaccines())
        listed.push_back(&vaccine);
    std::ranges::sort(listed, {}, &Vaccine::listed);
    QStringList doses;
    for (const Vaccine *vaccine : listed)
        doses << vaccine->doses();
    return doses;
}

QStringList appointmentSlots()
{
    QStringList halfHours;
    for (int half = 0; half < 28; ++half) {
        const int start = 800 + (half / 2) * 100 + (half % 2) * 30;
        const int end = half % 2 ? start + 70 : start + 30;
        halfHours << QStringLiteral("%1-%2").arg(start, 4, 10, QLatin1Char('0')).arg(end, 4, 10, QLatin1Char('0'));
    }
    return halfHours;
}

QString createTableStatement(const Table &table, jet::Engine engine)
{
    QStringList definitions;
    for (const Column &column : table.columns)
        definitions << columnDefinition(table, column, engine);
    if (!table.childLink.isEmpty())
        definitions << QStringLiteral("FOREIGN KEY([%1]) REFERENCES STOIXEIA_PAIDIOY(ID) ON DELETE CASCADE")
                           .arg(table.childLink);
    // The server keeps no rowid: a hidden key takes its place, the number itself where the
    // table numbers its rows, so that the number just given (lastval) is the row's key.
    if (engine == jet::Engine::Postgres) {
        const auto number = std::ranges::find(table.columns, AutoNumber, &Column::type);
        definitions << (number != table.columns.end()
                            ? QStringLiteral("%1 bigint GENERATED ALWAYS AS ([%2]) STORED UNIQUE")
                                  .arg(QLatin1String(jet::ServerRowColumn), number->name)
                            : QStringLiteral("%1 bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                                  .arg(QLatin1String(jet::ServerRowColumn)));
    }
    return QStringLiteral("CREATE TABLE [%1] (\n  %2\n)").arg(table.name, definitions.join(QStringLiteral(",\n  ")));
}

QString searchedSurname()
{
    QString surname = QStringLiteral("EPWNYMO");
    for (const QChar apostrophe : SurnameApostrophes)
        surname = QStringLiteral("Replace(%1,%2,'')").arg(surname, jet::quoted(apostrophe));
    return surname;
}

QStringList createIndexStatements(jet::Engine engine)
{
    QStringList statements = {
        "CREATE INDEX STOIXEIA_PAIDIOY_EPWNYMO ON STOIXEIA_PAIDIOY(EPWNYMO)",
        "CREATE INDEX STOIXEIA_PAIDIOY_GENNHSH ON STOIXEIA_PAIDIOY(HMEROMHNIA_GENNHSEWS)",
        "CREATE INDEX EPISKEPSEIS_ID ON EPISKEPSEIS(ID, HMEROMHNIA)",
        "CREATE INDEX ERGASTHRIAKA_ID ON ERGASTHRIAKA(ID, HMEROMHNIA)",
        "CREATE INDEX SWMATOMETRIA_ID ON SWMATOMETRIA(ID, HMEROMHNIA)",
        "CREATE INDEX EISPRAKSH_PELATH_ID ON EISPRAKSH_PELATH(ID, HMEROMHNIA)",
        "CREATE INDEX EISPRAKSH_PELATH_AR ON EISPRAKSH_PELATH(AR_APODEIKSHS)",
        "CREATE UNIQUE INDEX APODEIKSEIS_AR ON APODEIKSEIS(AR_APODEIKSHS)",
        "CREATE INDEX APODEIKSEIS_HMEROMHNIA ON APODEIKSEIS(HMEROMHNIA)",
        "CREATE INDEX EKSODA_HMEROMHNIA ON EKSODA(HMEROMHNIA)",
        "CREATE INDEX YPENTHIMISEIS_HMEROMHNIA ON YPENTHIMISEIS(HMEROMHNIA)",
        "CREATE INDEX EMBOLIA_DOSEIS_PROGRAMMA ON EMBOLIA_DOSEIS(PROGRAMMA, SEIRA, DOSH)",
        "CREATE INDEX EMBOLIA_EPIPLEON_ID ON EMBOLIA_EPIPLEON(ID, HMEROMHNIA)",
    };
    // The register's search by the start of a surname compares folded texts on the server.
    if (engine == jet::Engine::Postgres)
        statements << QStringLiteral("CREATE INDEX STOIXEIA_PAIDIOY_EPWNYMO_FOLD ON STOIXEIA_PAIDIOY(%1(%2) "
                                     "text_pattern_ops)")
                          .arg(QLatin1String(jet::ServerFoldFunction), searchedSurname());
    return statements;
}

namespace {

// Every committed change to the table is announced to the other seats (server only).
QString announceChanges(const Table &table)
{
    return jet::translate(QStringLiteral("CREATE OR REPLACE TRIGGER [%1_CHANGES] AFTER INSERT OR UPDATE OR DELETE OR "
                                         "TRUNCATE ON [%1] FOR EACH STATEMENT EXECUTE FUNCTION "
                                         "velmora_announce_change()")
                              .arg(table.name),
                          jet::Engine::Postgres);
}

} // namespace

QStringList serverCreateStatements()
{
    QStringList statements = jet::serverFunctionStatements();
    for (const Table &table : tables())
        statements << jet::translate(createTableStatement(table, jet::Engine::Postgres), jet::Engine::Postgres);
    for (const QString &index : createIndexStatements(jet::Engine::Postgres))
        statements << jet::translate(index, jet::Engine::Postgres);
    for (const Table &table : tables())
        statements << announceChanges(table);
    statements << QStringLiteral("CREATE TABLE %1 (version integer NOT NULL, one_row boolean PRIMARY KEY DEFAULT true "
                                 "CHECK (one_row))")
                      .arg(QLatin1String(ServerVersionTable));
    statements << QStringLiteral("INSERT INTO %1 (version) VALUES (0)").arg(QLatin1String(ServerVersionTable));
    statements << versionUpdate(jet::Engine::Postgres, Version);
    return statements;
}

namespace {

// The rows every new practice starts with, on either engine.
void addDeliveredRows(Connection &connection)
{
    // The access password opens the key file (or the server's login); the row stays, holding no password.
    connection.execute(QStringLiteral("INSERT INTO SECURITY([PASSWORD]) VALUES(?)"), {StoredPasswordMarker});
    vaccine_records::addSchedule(connection, clinical::shippedSchedule(), true);
}

// A new file is made at the current version at once, from the declaration.
void createFileTables(Connection &connection)
{
    for (const Table &table : tables())
        connection.execute(createTableStatement(table));
    for (const QString &index : createIndexStatements())
        connection.execute(index);
}

// A column declared above, added at the end of its table with its checks; older rows hold no value.
void addDeclaredColumn(Connection &connection, const QString &tableName, const QString &columnName)
{
    const Table *table = findTable(tableName);
    const auto column = std::find_if(table->columns.begin(), table->columns.end(),
                                     [&](const Column &c) { return c.name == columnName; });
    connection.execute(QStringLiteral("ALTER TABLE [%1] ADD COLUMN %2")
                           .arg(table->name, columnDefinition(*table, *column, connection.engine())));
}

// Version 2: head circumference with the growth measurements.
void step2(Connection &connection)
{
    addDeclaredColumn(connection, QStringLiteral("SWMATOMETRIA"), QStringLiteral("PERIMETROS_KEFALHS"));
}

// Required columns of versions 1 and 2 refused only the empty text; from version 3 on a text
// of blanks is refused too. Only the constraint's text changes, so the table definitions are
// edited in place, as the engine allows for checks, instead of copying every table. The
// connection that makes the change keeps the old checks until it is opened again.
void step3(Connection &connection)
{
    if (connection.engine() == jet::Engine::Postgres)
        return; // the server's tables refused blanks from the start
    const int schemaVersion = connection.scalar(QStringLiteral("PRAGMA schema_version")).toInt();
    connection.execute(QStringLiteral("PRAGMA writable_schema = ON"));
    for (const Table &table : tables())
        for (const Column &column : table.columns)
            if (column.required) {
                const QString name = QLatin1Char('[') + column.name + QLatin1Char(']');
                connection.execute(QStringLiteral("UPDATE sqlite_master SET sql = replace(sql, ?, ?) "
                                                  "WHERE type = 'table' AND name = ?"),
                                   {QStringLiteral("CHECK(%1 <> '')").arg(name),
                                    QStringLiteral("CHECK(%1)").arg(requiredCheck(name)), table.name});
            }
    connection.execute(QStringLiteral("PRAGMA schema_version = %1").arg(schemaVersion + 1));
    connection.execute(QStringLiteral("PRAGMA writable_schema = OFF"));
}

// Version 4: the vaccination schedule as data, from the circular shipped with the program, and
// the doses the child's row has no column for.
void step4(Connection &connection)
{
    static const QStringList added = {"EMBOLIA_PROGRAMMATA", "EMBOLIA_DOSEIS", "EMBOLIA_KANONES",
                                      "EMBOLIA_SKEYASMATA", "EMBOLIA_EPIPLEON"};
    // A file that has the tables already (made by a newer program, then marked older) keeps them.
    const jet::Engine engine = connection.engine();
    for (const QString &name : added) {
        connection.execute(createTableStatement(*findTable(name), engine)
                               .replace(QLatin1String("CREATE TABLE"), QLatin1String("CREATE TABLE IF NOT EXISTS")));
        if (engine == jet::Engine::Postgres)
            Statement(connection, announceChanges(*findTable(name))).step();
    }
    for (QString index : createIndexStatements(engine))
        if (index.contains(QLatin1String(" ON EMBOLIA_")))
            connection.execute(index.replace(QLatin1String(" INDEX "), QLatin1String(" INDEX IF NOT EXISTS ")));
    if (connection.scalar(QStringLiteral("SELECT COUNT(*) FROM EMBOLIA_PROGRAMMATA")).toInt() == 0)
        vaccine_records::addSchedule(connection, clinical::shippedSchedule(), true);
}

} // namespace

// Inside the upgrade's transaction the server's version row is locked: a second seat starting
// at the same moment waits, then finds the practice current.
int versionOf(Connection &connection, bool forUpgrade)
{
    const bool server = connection.engine() == jet::Engine::Postgres;
    if (server) {
        Statement kept(connection, QStringLiteral("SELECT to_regclass(?) IS NOT NULL"));
        kept.bind({QLatin1String(ServerVersionTable)});
        if (!kept.step() || kept.value(0).toInt() != 1)
            throw DbError(DbError::Kind::MissingObject,
                          QStringLiteral("The database on the server is not a practice of this program"));
    }
    Statement version(connection, versionQuery(connection.engine()) +
                                      (server && forUpgrade ? QStringLiteral(" FOR UPDATE") : QString()));
    return acceptedVersion(version.step() ? version.value(0).toInt() : 0);
}

QString versionQuery(jet::Engine engine)
{
    if (engine == jet::Engine::Postgres)
        return QStringLiteral("SELECT version FROM %1").arg(QLatin1String(ServerVersionTable));
    return QStringLiteral("PRAGMA user_version");
}

QString versionUpdate(jet::Engine engine, int version)
{
    if (engine == jet::Engine::Postgres)
        return QStringLiteral("UPDATE %1 SET version = %2").arg(QLatin1String(ServerVersionTable)).arg(version);
    return QStringLiteral("PRAGMA user_version = %1").arg(version);
}

int acceptedVersion(int found)
{
    if (found > Version)
        throw DbError(DbError::Kind::NewerVersion,
                      QStringLiteral("The database was written by a newer version of the program (version %1)")
                          .arg(found));
    return found;
}

void upgrade(Connection &connection)
{
    // Step n brings a file from version n - 1 to version n.
    using Step = void (*)(Connection &);
    static const Step steps[] = {step2, step3, step4};
    static_assert(std::size(steps) == Version - 1);

    // A current file is only read: a second copy of the program starting meanwhile is no reason
    // to wait for a write lock.
    if (versionOf(connection) == Version)
        return;
    Transaction transaction(connection);
    const int found = versionOf(connection, true);
    if (found == Version)
        return;
    if (found == 0) {
        createFileTables(connection);
        addDeliveredRows(connection);
    } else
        for (int version = found + 1; version <= Version; ++version)
            steps[version - 2](connection);
    Statement(connection, versionUpdate(connection.engine(), Version)).step();
    transaction.commit();
}

void createTables(Connection &connection)
{
    const bool server = connection.engine() == jet::Engine::Postgres;
    Statement tables(connection, server ? QStringLiteral("SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE "
                                                         "schemaname = current_schema()")
                                        : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"));
    if (tables.step() && tables.value(0).toInt() > 0)
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("The database already holds tables; a practice is made only in an empty "
                                     "database. Nothing was changed"));
    if (!server) {
        createFileTables(connection);
        Statement(connection, versionUpdate(jet::Engine::SqlCipher, Version)).step();
        return;
    }
    for (const QString &statement : serverCreateStatements())
        Statement(connection, statement).step();
}

void createServerPractice(Connection &connection)
{
    Transaction transaction(connection);
    createTables(connection);
    addDeliveredRows(connection);
    transaction.commit();
}

void verify(Connection &connection)
{
    for (const Table &table : tables()) {
        const auto columns = Statement::tryPrepare(
            connection, jet::translate(QStringLiteral("SELECT * FROM [%1] WHERE 1 = 0").arg(table.name),
                                       connection.engine()));
        if (!columns)
            throw DbError(DbError::Kind::MissingObject, QStringLiteral("no table %1").arg(table.name));
        QStringList present;
        for (int c = 0; c < columns->columnCount(); ++c)
            present << columns->engineStatement().columnName(c);
        for (const Column &column : table.columns)
            if (!present.contains(column.name, Qt::CaseInsensitive))
                throw DbError(DbError::Kind::MissingObject,
                              QStringLiteral("no column %1.%2").arg(table.name, column.name));
    }
}

void createDatabase(const QString &path, const QString &password)
{
    createDatabase(path, password, upgrade);
}

void createDatabase(const QString &path, const QString &password, const std::function<void(Connection &)> &fill)
{
    refuseExisting({path, keyFilePathFor(path)});
    PrivateFileMode privately;
    // Built under a temporary name and moved into place whole, so that a failure never
    // leaves a half-made data.mdb behind; the key file comes first, as a data file without
    // its key could never be opened.
    const QString partial = path + QStringLiteral(".new-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const SecretBytes dataKey = newDataKey();
    bool keyWritten = false;
    try {
        {
            Connection connection = Connection::createWithKey(partial, engineKeyFor(dataKey));
            fill(connection);
        }
        writeNewKeyFile(path, dataKey, password, passwordStateFor(password));
        keyWritten = true;
        refuseExisting({path});
        moveDataFileIntoPlace(partial, path);
    } catch (...) {
        removeWithEngineFiles(partial);
        if (keyWritten)
            QFile::remove(keyFilePathFor(path));
        throw;
    }
}

} // namespace schema
