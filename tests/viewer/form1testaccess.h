#pragma once

#include "countydictionary.h"
#include "form1.h"
#include "struct_QueryResult.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

// Reaches the window's private procedures and members, for what cannot be driven through its
// widgets (feeding a handcrafted answer, reading the counter).
class Form1TestAccess
{
public:
    explicit Form1TestAccess(Form1 &form) : m_form(form) {}

    void clearResults() { m_form.ClearResults(); }
    void showResults(const soap::Variant &results) { m_form.ShowResults(results); }
    void addResultRow(const struct_QueryResult &record) { m_form.AddResultRow(record); }
    void fillRegionList(const QStringList &names) { m_form.FillRegionList(names); }
    void timerTick() { m_form.Timer1_Timer(); }

    int secondsLeft() const { return m_form.secondsLeft; }
    void setSecondsLeft(int value) { m_form.secondsLeft = value; }
    const CountyDictionary *countyCodes() const { return m_form.countyCodes.get(); }
    const soap::Variant &countryResults() const { return m_form.countryResults; }

    QComboBox *regionList() const { return m_form.CountyComboBox; }
    QTreeView *table() const { return m_form.ListView1; }
    QPushButton *showButton() const { return m_form.Command1; }
    QCheckBox *autoUpdate() const { return m_form.Check1; }
    QStatusBar *statusBar() const { return m_form.StatusBar1; }
    QPushButton *aboutButton() const { return m_form.Command2; }
    QTimer *timer() const { return m_form.Timer1; }

private:
    Form1 &m_form;
};
