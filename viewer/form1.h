#pragma once

#include "servicesettings.h"
#include "variant.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeView;
class ResultsTableModel;
class CountyDictionary;
class clsws_ElectionResults;
class struct_QueryResult;

namespace soap {
class RaisedError;
}

// The main window: the region list, the results table, "&Visa", the automatic update with its
// countdown, and "Om..". Every fetch blocks the window until the service has answered.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(ServiceSettings settings = ServiceSettings(), QWidget *parent = nullptr);
    ~Form1() override;

    // The loading handler, run once while the window is still hidden. A failure is raised to the
    // caller: the window must then not be shown.
    void Form_Load();

protected:
    void showEvent(QShowEvent *event) override;

private:
    friend class Form1TestAccess;

    void CreateServiceClient();
    void ShowSelectedRegion();
    void ClearResults();
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void LoadCountryResults();
    void ResetRegionList();
    void FillRegionList(const QStringList &names);
    void ShowResults(const soap::Variant &results);
    void AddResultRow(const struct_QueryResult &record);
    void LoadCountyResults(const QString &code);
    void Timer1_Timer();

    void createControls();
    QString versionedTitle() const;
    void setStatusText(const QString &text);
    void showError(const soap::RaisedError &error);

    static constexpr int CountLength = 60;

    const ServiceSettings m_settings;

    QComboBox *CountyComboBox = nullptr;
    QTreeView *ListView1 = nullptr;
    ResultsTableModel *m_rows = nullptr;
    QPushButton *Command1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QPushButton *Command2 = nullptr;
    QTimer *Timer1 = nullptr;

    std::unique_ptr<clsws_ElectionResults> serviceClient;
    std::unique_ptr<CountyDictionary> countyCodes;
    soap::Variant countryResults;
    soap::Variant countyResults;
    int secondsLeft = 0;

    // Set while "&Visa" or a tick is being handled, its error box included: a tick that comes
    // meanwhile (from a nested event loop) is dropped rather than run inside the first.
    bool m_busy = false;
    bool m_centred = false;
};
