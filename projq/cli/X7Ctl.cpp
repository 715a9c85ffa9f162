#include "X7Ctl.h"

#include "common/ValueHelpers.h"
#include "lan/LanFrames.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace {

const char kUsage[] =
    "Usage:\n"
    "  x7ctl search [--json]\n"
    "  x7ctl read MAC [--json]\n"
    "  x7ctl write MAC --set KEY=VALUE [--set KEY=VALUE ...] [--verify] [--json]\n"
    "  x7ctl apply TEMPLATE.json MAC [MAC ...] [--ip-from ADDRESS] [--no-verify] [--json]\n"
    "  x7ctl keys [--json]\n";

const char kDescription[] =
    "Searches, reads and writes X7 serial-to-Ethernet modules on the local network (UDP 1500 and\n"
    "1901), with the same save sequences and the same checks as Proj_Q.\n"
    "\n"
    "  search   lists the modules that answer the search broadcast\n"
    "  read     reads a module's parameters: one line 'key = value' each, or a JSON object\n"
    "  write    changes parameters (keys as 'x7ctl keys' lists them, e.g. port.baud=9600),\n"
    "           saves them and, with --verify, reads the module back after its restart and\n"
    "           compares every field\n"
    "  apply    writes a template ({\"model\":\"Q2\",\"fields\":{...}}, as Proj_Q saves it) into\n"
    "           each module in turn and verifies it; --ip-from gives the modules static\n"
    "           addresses counting up from ADDRESS in the order given\n"
    "  keys     lists the parameter keys, their types and the models that have them\n"
    "\n"
    "A MAC is six hex pairs, with or without blanks or colons. Results go to standard output,\n"
    "messages to standard error. The sockets bind to the addresses of --bind, else of\n"
    "X7_BIND_ADDRESSES (comma-separated), else of every interface that is up.\n"
    "\n"
    "Exit codes: 0 ok; 1 the program could not work (e.g. a port in use); 2 bad input or\n"
    "usage; 3 no answer (or module not found); 4 login refused; 5 verify mismatch. With several\n"
    "modules, the code of the first module that failed.";

void printOut(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

void printErr(const QString &text)
{
    const QByteArray bytes = (QStringLiteral("x7ctl: ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString macArg(const QString &text)
{
    QString t = text;
    t.remove(QLatin1Char(':')).remove(QLatin1Char('-'));
    const auto bytes = macTextToBytes(t);
    if (!bytes || removeSpaces(t).size() != 12)
        return QString();
    return macBytesToText(*bytes);
}

QString kindName(int kind)
{
    switch (kind) {
    case KindQ2:
        return QStringLiteral("Q2");
    case KindQ3:
        return QStringLiteral("Q3");
    default:
        return QStringLiteral("unsupported");
    }
}

} // namespace

int exitCodeOf(EngineOutcome outcome)
{
    switch (outcome) {
    case EngineOutcome::Ok:
        return ExitOk;
    case EngineOutcome::Mismatch:
        return ExitMismatch;
    case EngineOutcome::NoAnswer:
    case EngineOutcome::Cancelled:
        return ExitNoAnswer;
    case EngineOutcome::LoginRefused:
        return ExitLoginRefused;
    case EngineOutcome::BadInput:
        return ExitBadInput;
    }
    return ExitFailure;
}

X7Ctl::X7Ctl(QObject *parent)
    : QObject(parent)
{
}

void X7Ctl::finish(int code)
{
    if (m_finished)
        return;
    m_finished = true;
    emit done(code);
}

void X7Ctl::fail(int code, const QString &message)
{
    printErr(message);
    finish(code);
}

void X7Ctl::start(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    const QCommandLineOption bind(QStringLiteral("bind"),
                                  QStringLiteral("Local IPv4 address to search and send from "
                                                 "(repeat or separate by commas)."),
                                  QStringLiteral("address"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Module login user name (default qpwzk)."),
                                  QStringLiteral("name"), QStringLiteral("qpwzk"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Module login password (default qpwzk)."),
                                      QStringLiteral("password"), QStringLiteral("qpwzk"));
    const QCommandLineOption set(QStringLiteral("set"),
                                 QStringLiteral("write: a change, KEY=VALUE (repeatable)."),
                                 QStringLiteral("key=value"));
    const QCommandLineOption verify(QStringLiteral("verify"),
                                    QStringLiteral("write: read back after the restart and "
                                                   "compare."));
    const QCommandLineOption noVerify(QStringLiteral("no-verify"),
                                      QStringLiteral("apply: do not read back."));
    const QCommandLineOption ipFrom(QStringLiteral("ip-from"),
                                    QStringLiteral("apply: static IP of the first module; the "
                                                   "next ones count up."),
                                    QStringLiteral("address"));
    const QCommandLineOption searchMs(QStringLiteral("search-ms"),
                                      QStringLiteral("How long a search waits for answers "
                                                     "(default 1500)."),
                                      QStringLiteral("ms"), QStringLiteral("1500"));
    parser.addOptions({help, json, bind, user, password, set, verify, noVerify, ipFrom, searchMs});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("search, read, write, apply or keys"));

    if (!parser.parse(arguments)) {
        fail(ExitBadInput, parser.errorText() + QLatin1Char('\n') + QString::fromLatin1(kUsage));
        return;
    }
    if (parser.isSet(help)) {
        printOut(parser.helpText().toLocal8Bit() + "\n" + kUsage);
        finish(ExitOk);
        return;
    }
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        fail(ExitBadInput, QStringLiteral("no command\n") + QString::fromLatin1(kUsage));
        return;
    }
    m_json = parser.isSet(json);
    const QString command = args.first();
    auto usage = [this](const QString &why) {
        fail(ExitBadInput, why + QLatin1Char('\n') + QString::fromLatin1(kUsage));
    };

    if (command == QLatin1String("keys")) {
        QJsonArray list;
        QByteArray text;
        for (const ParamKey &k : paramKeys()) {
            QStringList models;
            if (k.q2)
                models << QStringLiteral("Q2");
            if (k.q3)
                models << QStringLiteral("Q3");
            QJsonObject o{{"key", k.key},
                          {"type", keyTypeName(k.type)},
                          {"models", QJsonArray::fromStringList(models)}};
            if (k.type == KeyType::Choice)
                o.insert(QStringLiteral("choices"), QJsonArray::fromStringList(k.choices));
            if (k.type == KeyType::Int) {
                o.insert(QStringLiteral("min"), double(k.min));
                o.insert(QStringLiteral("max"), double(k.max));
                if (k.q3 && k.q3Max >= 0)
                    o.insert(QStringLiteral("max_q3"), double(k.q3Max));
            }
            if (k.maxBytes > 0)
                o.insert(QStringLiteral("max_bytes"), k.maxBytes);
            o.insert(QStringLiteral("where"), k.where);
            o.insert(QStringLiteral("q2_control"), k.q2Control);
            o.insert(QStringLiteral("q3_control"), k.q3Control);
            list.append(o);
            text += QStringLiteral("%1  %2  %3%4\n")
                        .arg(k.key, -28)
                        .arg(keyTypeName(k.type), -6)
                        .arg(models.join(QLatin1Char(',')), -5)
                        .arg(k.type == KeyType::Choice
                                 ? QStringLiteral("  ") + k.choices.join(QLatin1Char('|'))
                                 : QString())
                        .toUtf8();
        }
        printOut(m_json ? QJsonDocument(list).toJson() : text);
        finish(ExitOk);
        return;
    }

    if (command == QLatin1String("search")) {
        m_command = Command::Search;
        if (args.size() != 1)
            return usage(QStringLiteral("search takes no arguments"));
    } else if (command == QLatin1String("read") || command == QLatin1String("write")) {
        m_command = command == QLatin1String("read") ? Command::Read : Command::Write;
        if (args.size() != 2)
            return usage(QStringLiteral("%1 takes one MAC").arg(command));
    } else if (command == QLatin1String("apply")) {
        m_command = Command::Apply;
        if (args.size() < 3)
            return usage(QStringLiteral("apply takes a template file and at least one MAC"));
    } else {
        return usage(QStringLiteral("unknown command: %1").arg(command));
    }

    for (const QString &m : args.mid(m_command == Command::Apply ? 2 : 1)) {
        const QString mac = macArg(m);
        if (mac.isEmpty())
            return usage(QStringLiteral("not a MAC: %1").arg(m));
        if (m_macs.contains(mac))
            return usage(QStringLiteral("MAC given twice: %1").arg(m));
        m_macs << mac;
    }

    if (m_command == Command::Write) {
        if (!parser.isSet(set))
            return usage(QStringLiteral("write needs at least one --set KEY=VALUE"));
        for (const QString &s : parser.values(set)) {
            const qsizetype eq = s.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return usage(QStringLiteral("--set needs KEY=VALUE: %1").arg(s));
            const QString key = s.left(eq).trimmed();
            if (!findParamKey(key))
                return fail(ExitBadInput, QStringLiteral("unknown key: %1").arg(key));
            m_sets.insert(key, s.mid(eq + 1));
        }
        m_verify = parser.isSet(verify);
    } else if (parser.isSet(set)) {
        return usage(QStringLiteral("--set belongs to write"));
    }
    if (m_command == Command::Apply) {
        QString error;
        const auto tpl = loadTemplateFile(args.at(1), &error);
        if (!tpl)
            return fail(ExitBadInput, QStringLiteral("%1: %2").arg(args.at(1), error));
        m_template = *tpl;
        m_verify = !parser.isSet(noVerify);
        m_ipFrom = parser.value(ipFrom);
        if (!m_ipFrom.isEmpty() && !addressPlus(m_ipFrom, int(m_macs.size()) - 1))
            return fail(ExitBadInput,
                        QStringLiteral("--ip-from: %1 is not an address, or %2 addresses from "
                                       "it run past 255.255.255.255")
                            .arg(m_ipFrom)
                            .arg(m_macs.size()));
    } else if (parser.isSet(ipFrom)) {
        return usage(QStringLiteral("--ip-from belongs to apply"));
    }

    if (parser.isSet(bind)) {
        QStringList addresses;
        for (const QString &v : parser.values(bind))
            for (const QString &a : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
                addresses << a.trimmed();
        for (const QString &a : addresses) {
            if (!addressPlus(a, 0))
                return fail(ExitBadInput, QStringLiteral("--bind: not an IPv4 address: %1").arg(a));
        }
        setBindAddressOverride(addresses);
    }
    bool ok = false;
    const int ms = parser.value(searchMs).toInt(&ok);
    if (!ok || ms < 1 || ms > 600000)
        return fail(ExitBadInput, QStringLiteral("--search-ms needs a number of milliseconds"));

    m_engine = new ModuleEngine(nullptr, this);
    m_engine->setLogin({parser.value(user), parser.value(password)});
    EngineTimings timings = m_engine->timings();
    timings.searchMs = ms;
    m_engine->setTimings(timings);
    connect(m_engine->endpoint(), &ModuleEndpoint::statusReported, this,
            [this](int code, const QString &) {
                if (code == StPortInUse)
                    fail(ExitFailure, QStringLiteral("cannot bind the module endpoint's sockets"));
            });
    connect(m_engine, &ModuleEngine::searchFinished, this, &X7Ctl::afterSearch);
    connect(m_engine, &ModuleEngine::readFinished, this,
            [this](const ModuleResult &r) { printResults({r}); });
    connect(m_engine, &ModuleEngine::batchFinished, this, &X7Ctl::printResults);
    connect(m_engine, &ModuleEngine::moduleFinished, this, [this](int, const ModuleResult &r) {
        if (r.outcome != EngineOutcome::Ok && !r.message.isEmpty())
            printErr(QStringLiteral("%1: %2").arg(r.mac, r.message));
        for (const FieldMismatch &m : r.mismatches)
            printErr(QStringLiteral("%1: %2 is %3, wanted %4")
                         .arg(r.mac, m.key,
                              m.got.isValid() ? valueText(m.got) : QStringLiteral("missing"),
                              valueText(m.wanted)));
    });
    m_engine->search(m_macs);
}

void X7Ctl::afterSearch(const QList<DeviceEntry> &found)
{
    if (m_finished)
        return;
    if (m_command == Command::Search) {
        printSearch(found);
        finish(ExitOk);
        return;
    }
    // Every module asked for, in the order given; one not found counts as no answer.
    QList<BatchItem> items;
    QList<ModuleResult> missing;
    const auto leaveOut = [&missing](const QString &mac, EngineOutcome outcome,
                                     const QString &message) {
        ModuleResult r;
        r.mac = mac;
        r.outcome = outcome;
        r.message = message;
        printErr(QStringLiteral("%1: %2").arg(mac, message));
        missing << r;
    };
    for (const QString &mac : std::as_const(m_macs)) {
        const auto e = m_engine->knownModule(mac);
        if (!e)
            leaveOut(mac, EngineOutcome::NoAnswer, QStringLiteral("not found by the search"));
        else if (e->kind != KindQ2 && e->kind != KindQ3)
            leaveOut(mac, EngineOutcome::BadInput,
                     QStringLiteral("not a module model this program configures"));
        else
            items.append({*e, m_sets});
    }
    if (m_command == Command::Read) {
        if (items.isEmpty()) {
            m_missing = missing; // each said on stderr above
            return printResults({});
        }
        m_engine->read(items.first().module);
        return;
    }
    if (m_command == Command::Write) {
        if (items.isEmpty()) {
            m_missing = missing; // each said on stderr above
            return printResults({});
        }
        const ChangesCheck c = checkChanges(
            items.first().module.kind == KindQ3 ? ModuleModel::Q3 : ModuleModel::Q2, m_sets);
        if (!c.ok)
            return fail(ExitBadInput, c.message);
        m_engine->write(items.first().module, c.canonical, m_verify);
        return;
    }
    // apply: the template's model must be each module's.
    QList<DeviceEntry> modules;
    for (const BatchItem &i : std::as_const(items)) {
        const ModuleModel model = i.module.kind == KindQ3 ? ModuleModel::Q3 : ModuleModel::Q2;
        if (model != m_template.model)
            return fail(ExitBadInput,
                        QStringLiteral("%1 is a %2 module, the template is for %3")
                            .arg(i.module.mac, modelName(model), modelName(m_template.model)));
        modules << i.module;
    }
    if (!missing.isEmpty()) {
        // The addresses count up in the order given: a module not found keeps its place.
        QList<DeviceEntry> ordered;
        for (const QString &mac : std::as_const(m_macs)) {
            const auto e = m_engine->knownModule(mac);
            ordered << (e ? *e : DeviceEntry{QString(), QString(), mac, QString(), 0, -1});
        }
        modules = ordered;
    }
    QString error;
    auto batch = batchFromTemplate(m_template, modules, m_ipFrom, &error);
    if (!batch)
        return fail(ExitBadInput, error);
    QList<BatchItem> run;
    for (const BatchItem &b : std::as_const(*batch))
        if (b.module.socketIndex >= 0)
            run << b;
    if (run.isEmpty()) {
        m_missing = missing;
        return printResults({});
    }
    m_missing = missing;
    m_engine->apply(run, m_verify);
}

void X7Ctl::printSearch(const QList<DeviceEntry> &found)
{
    if (m_json) {
        QJsonArray list;
        for (const DeviceEntry &e : found)
            list.append(QJsonObject{{"mac", e.mac},
                                    {"ip", e.ip},
                                    {"name", e.name},
                                    {"model", kindName(e.kind)},
                                    {"version", e.version},
                                    {"local", m_engine->endpoint()->socketAddress(e.socketIndex)}});
        printOut(QJsonDocument(list).toJson());
        return;
    }
    QByteArray text;
    for (const DeviceEntry &e : found)
        text += QStringLiteral("%1  %2  %3  %4  %5\n")
                    .arg(e.mac, e.ip.leftJustified(15), kindName(e.kind), e.version, e.name)
                    .toUtf8();
    printOut(text);
}

void X7Ctl::printResults(const QList<ModuleResult> &engineResults)
{
    if (m_finished)
        return;
    QList<ModuleResult> results = m_missing + engineResults;
    // In the order the MACs were given.
    std::stable_sort(results.begin(), results.end(),
                     [this](const ModuleResult &a, const ModuleResult &b) {
                         return m_macs.indexOf(macArg(a.mac)) < m_macs.indexOf(macArg(b.mac));
                     });
    int code = ExitOk;
    for (const ModuleResult &r : std::as_const(results)) {
        if (r.outcome != EngineOutcome::Ok) {
            code = exitCodeOf(r.outcome);
            break;
        }
    }
    // A module not found was said when it was missed; an engine's failure is said here.
    if (m_command == Command::Read && engineResults.size() == 1 &&
        !engineResults.first().message.isEmpty() &&
        engineResults.first().outcome != EngineOutcome::Ok)
        printErr(
            QStringLiteral("%1: %2").arg(engineResults.first().mac, engineResults.first().message));

    if (m_json) {
        if (m_command == Command::Apply) {
            QJsonArray list;
            for (const ModuleResult &r : std::as_const(results))
                list.append(resultToJson(r));
            printOut(QJsonDocument(list).toJson());
        } else if (!results.isEmpty()) {
            printOut(QJsonDocument(resultToJson(results.first())).toJson());
        }
    } else {
        QByteArray text;
        for (const ModuleResult &r : std::as_const(results)) {
            if (m_command == Command::Read && r.outcome == EngineOutcome::Ok) {
                for (auto it = r.before.cbegin(); it != r.before.cend(); ++it)
                    text +=
                        QStringLiteral("%1 = %2\n").arg(it.key(), valueText(it.value())).toUtf8();
                continue;
            }
            text += QStringLiteral("%1  %2\n").arg(r.mac, outcomeName(r.outcome)).toUtf8();
        }
        printOut(text);
    }
    finish(code);
}
