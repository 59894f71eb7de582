// kestrel_screenshots OUTDIR [PROFILE...]: connects the desktop program to each simulated
// reader profile (all shipped ones when none is named), saves a picture of the main window
// for every page, and checks every page for controls that overlap and captions that do not
// fit. Exits 1 when a page has either.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "app/view/CPreferencesDlg.h"
#include "catalog/CDeviceSetting.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CMainTabView.h"
#include "document/view/CQLDynFormView.h"
#include "sim/ReaderProfile.h"
#include "wizards/view/CControlCharDlg.h"
#include "wizards/view/CDataEditSheet.h"
#include "wizards/view/CFormatWizSheet.h"
#include "wizards/view/CPreSufWizardSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QListWidget>
#include <QTabWidget>
#include <cstdio>

namespace {

// The width a caption needs inside its control.
int NeededWidth(QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->fontMetrics().horizontalAdvance(label->text());
    if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget))
        return widget->sizeHint().width();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->fontMetrics().horizontalAdvance(button->text()) + 8;
    return 0;
}

int CheckPage(const QString& profile, CMainTabView& tabs, int index)
{
    CQLDynFormView* page = tabs.Page(index);
    int problems = 0;
    std::vector<QWidget*> widgets;
    for (QWidget* widget : page->Controls())
        if (!qobject_cast<QGroupBox*>(widget))
            widgets.push_back(widget);
    for (QWidget* widget : widgets) {
        const int needed = NeededWidth(widget);
        if (needed > widget->width()) {
            std::printf("%s page \"%s\": caption clipped: \"%s\" needs %d, has %d\n", qPrintable(profile),
                        qPrintable(tabs.tabText(index)), qPrintable(widget->property("text").toString()), needed,
                        widget->width());
            ++problems;
        }
    }
    for (size_t a = 0; a < widgets.size(); ++a)
        for (size_t b = a + 1; b < widgets.size(); ++b)
            if (widgets[a]->geometry().intersects(widgets[b]->geometry())) {
                std::printf("%s page \"%s\": controls overlap: \"%s\" and \"%s\"\n", qPrintable(profile),
                            qPrintable(tabs.tabText(index)), qPrintable(widgets[a]->property("text").toString()),
                            qPrintable(widgets[b]->property("text").toString()));
                ++problems;
            }
    // Groups must hold their controls.
    for (QWidget* widget : page->Controls())
        if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            const int needed = frame->fontMetrics().horizontalAdvance(frame->title()) + 16;
            if (needed > frame->width()) {
                std::printf("%s page \"%s\": group title clipped: \"%s\"\n", qPrintable(profile),
                            qPrintable(tabs.tabText(index)), qPrintable(frame->title()));
                ++problems;
            }
        }
    return problems;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrel_screenshots OUTDIR [PROFILE...]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    std::vector<std::string> profiles;
    for (int i = 2; i < argc; ++i)
        profiles.emplace_back(argv[i]);
    if (profiles.empty())
        for (const std::string& path : ReaderProfile::ListProfiles()) {
            ReaderProfile profile;
            std::string error;
            if (ReaderProfile::LoadFile(path, profile, error))
                profiles.push_back(profile.name);
        }
    int problems = 0;
    {
        // The start-up choice and the Preferences dialog, as a user first meets them.
        GuiBench bench("hm7");
        if (bench.Start()) {
            std::printf("main window and splash shown after %lld ms\n", bench.App().ShownAfterMs());
            CConfigSourceDlg choice(bench.Frame(), &bench.Frame());
            choice.show();
            QApplication::processEvents();
            choice.grab().save(out + QStringLiteral("/startup-choice.png"));
            CPreferencesDlg preferences(bench.App().Port(), bench.App().Preferences(), bench.App().Store(),
                                        bench.App().Startup().Vendor().companyRegKey, &bench.Frame());
            preferences.show();
            QApplication::processEvents();
            preferences.grab().save(out + QStringLiteral("/preferences.png"));
        }
    }
    {
        // The data editing wizards on a reader with rules: every page of the sheet, each step
        // of both wizards, the picker and a formatter command.
        GuiBench bench("5820rules");
        if (bench.Start() && bench.RunStartupChoice({ ConfigChoice::Connect }) == CConfigSourceDlg::kConfigured) {
            CDevice& device = *bench.Document().Device();
            CDataEditSheetModel model(device.Blocks(), device, device.GetBarcodeLead(), [&device](std::string_view tag) {
                const CDeviceSetting* setting = device.FindSetting(tag);
                return setting ? static_cast<long long>(setting->maximum) : 0LL;
            });
            auto shoot = [&out](QWidget& widget, const QString& name) {
                widget.show();
                QApplication::processEvents();
                widget.grab().save(out + QStringLiteral("/wizards-") + name + QStringLiteral(".png"));
            };
            CDataEditSheet sheet(model, 0, &bench.Frame());
            for (int page = 0; page < sheet.Tabs()->count(); ++page) {
                sheet.Tabs()->setCurrentIndex(page);
                shoot(sheet, QStringLiteral("sheet-%1").arg(page + 1));
            }
            sheet.hide();
            CPreSufWizardModel preSuf(model.PrefixSuffixPage(false).FreeSymbologies(), false, device.GetBarcodeLead());
            CPreSufWizardSheet preSufWizard(preSuf, &bench.Frame());
            preSufWizard.restart();
            for (int step = 1; step <= static_cast<int>(preSuf.Pages().size()); ++step) {
                shoot(preSufWizard, QStringLiteral("prefix-suffix-%1").arg(step));
                preSufWizard.next();
            }
            preSufWizard.hide();
            CFormatKeyEntry entry;
            entry.SetCommands("{F5}05{F1}[ CR]");
            CFormatWizardModel format(model.FormatPage(false).Symbologies(), model.FormatPage(false).Terminals(), entry,
                                      false, std::string(CFormatWizardModel::kAddTitle));
            CFormatWizSheet formatWizard(format, &bench.Frame());
            formatWizard.restart();
            for (int step = 1; step <= static_cast<int>(format.Pages().size()); ++step) {
                shoot(formatWizard, QStringLiteral("format-%1").arg(step));
                formatWizard.next();
            }
            formatWizard.hide();
            CControlCharDlg picker(&bench.Frame());
            picker.PickRow(13);
            picker.PickRow(10);
            shoot(picker, QStringLiteral("picker"));
            picker.hide();
            CFormatCommandsDlg commands(&bench.Frame());
            commands.List()->setCurrentRow(4);
            shoot(commands, QStringLiteral("format-commands"));
            commands.hide();
            CFormatCommandDlg command("F2", &bench.Frame());
            shoot(command, QStringLiteral("format-command-f2"));
            command.hide();
        }
    }
    for (const std::string& name : profiles) {
        GuiBench bench(name);
        if (!bench.Start() || bench.RunStartupChoice({ ConfigChoice::Connect }) != CConfigSourceDlg::kConfigured) {
            std::printf("%s: could not connect\n", name.c_str());
            ++problems;
            continue;
        }
        CMainFrame& frame = bench.Frame();
        frame.showNormal();
        frame.resize(1100, 760);
        CMainTabView& tabs = bench.Tabs();
        for (int i = 0; i < tabs.count(); ++i) {
            tabs.setCurrentIndex(i);
            QApplication::processEvents();
            problems += CheckPage(QString::fromStdString(name), tabs, i);
            const QString file = QStringLiteral("%1/%2-%3.png").arg(out, QString::fromStdString(name)).arg(i + 1, 2, 10,
                                                                                                          QLatin1Char('0'));
            frame.grab().save(file);
        }
        std::printf("%s: %d pages\n", name.c_str(), tabs.count());
    }
    return problems == 0 ? 0 : 1;
}
