// Settings locations: the value names and paths the designer keeps, in memory
// and in an INI file that a second store reads back.
#include <QTemporaryDir>
#include <QtTest>

#include "designer/app_state.h"
#include "scripted_prompter.h"
#include "util/settings.h"

using qrv::util::IniSettingsStore;
using qrv::util::MemorySettingsStore;
using qrv::util::ProgramSettings;

class SettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void missingValueReadsAsDefault() {
        MemorySettingsStore store;
        ProgramSettings s(store, "Zelk", "Quorvane\\5.0");
        QCOMPARE(s.ReadEntry("OutputTablePrefix", "Quorvane_"), std::string("Quorvane_"));
        s.WriteEntry("OutputTablePrefix", "Run_");
        QCOMPARE(s.ReadEntry("OutputTablePrefix", "Quorvane_"), std::string("Run_"));
        // Another section of the same application is another place.
        QCOMPARE(s.Section("Form Position").ReadEntry("OutputTablePrefix", "x"), std::string("x"));
    }

    void iniFileKeepsTheApplicationPath() {
        QTemporaryDir dir;
        std::string path = (dir.path() + "/Zelk.ini").toStdString();
        {
            IniSettingsStore store(path);
            ProgramSettings a(store, "Zelk", "Quorvane\\5.0", "Settings");
            a.WriteEntry("SavePassword", "True");
            ProgramSettings b(store, "Zelk", "Quorvane", "5.0");
            b.WriteEntry("Other", "B");
        }
        IniSettingsStore again(path);
        QCOMPARE(again.read("Zelk/Quorvane/5.0/Settings", "SavePassword", ""), std::string("True"));
        QCOMPARE(again.read("Zelk/Quorvane/5.0", "Other", ""), std::string("B"));
        QFile f(QString::fromStdString(path));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray text = f.readAll();
        // The path is company, application with its version, then section.
        QVERIFY2(text.startsWith("[Zelk]\n") &&
                     text.contains("\nQuorvane\\5.0\\Settings\\SavePassword=True\n"),
                 text.constData());
    }

    void appStateUsesTheDesignerLocations() {
        MemorySettingsStore store;
        qrv::test::ScriptedPrompter prompter;
        qrv::designer::AppState state(store, prompter, "/opt/q", "/tmp/qdata");
        QCOMPARE(state.OutputTablePrefix(), std::string("Quorvane_"));
        state.SettingsA().WriteEntry("OutputTablePrefix", "Mine_");
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "OutputTablePrefix", ""),
                 std::string("Mine_"));
        QCOMPARE(state.OutputTablePrefix(), std::string("Mine_"));
        QCOMPARE(state.Errors().Destination(), std::string("/tmp/qdata/error.log"));
        QVERIFY(!state.HasDatabase());
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
