#pragma once

#include "countdown.h"
#include "errorbox.h"
#include "freshness.h"
#include "regionanswer.h"
#include "servicesettings.h"
#include "servicethread.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeView;
class CountyDictionary;
class NewFiguresNotice;
class ResultsTableModel;
class clsws_ElectionResults;
class struct_QueryResult;

namespace soap {
class RaisedError;
}

// The main window: the region list, the results table, "&Visa", the automatic update with its
// countdown, and "Om..". A fetch runs on the service thread while the window waits for it, still
// painting but running nothing else of its own; a failed fetch is reported in a box that leaves
// the automatic update running.
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
    void CreateServiceClient();
    void ShowSelectedRegion();
    void ClearResults();
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void LoadCountryResults();
    void ResetRegionList();
    void FillRegionList(const QStringList &names);
    void ShowResults(const RegionAnswer &results);
    void AddResultRow(const struct_QueryResult &record);
    void LoadCountyResults(const QString &code);
    void Timer1_Timer();

    void createControls();
    void createStatusParts();
    QString versionedTitle() const;
    void showAnswer(const QString &region, const RegionAnswer &answer);
    void reportFailure(const soap::RaisedError &error);
    void setStatusText(const QString &text);
    void showFreshness();

    const ServiceSettings m_settings;

    QComboBox *CountyComboBox = nullptr;
    QTreeView *ListView1 = nullptr;
    ResultsTableModel *m_rows = nullptr;
    QPushButton *Command1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *m_countdownText = nullptr;
    QLabel *m_freshnessText = nullptr;
    NewFiguresNotice *m_notice = nullptr;
    QPushButton *Command2 = nullptr;
    QTimer *Timer1 = nullptr;
    ErrorBox m_errorBox;

    ServiceThread m_serviceThread;
    std::unique_ptr<clsws_ElectionResults> serviceClient; // lives on m_serviceThread
    std::unique_ptr<CountyDictionary> countyCodes;
    RegionAnswer countryResults;
    RegionAnswer countyResults;
    Countdown secondsLeft;
    Freshness m_freshness;
    bool m_centred = false;
};
