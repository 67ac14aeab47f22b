#include "form1.h"

#include "clsws_ElectionResults.h"
#include "countycode.h"
#include "countydictionary.h"
#include "errorbox.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "resultstablemodel.h"
#include "struct_QueryResult.h"
#include "twipscale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVersionNumber>

#include "ksv_config.h"

#include <utility>

namespace {

const QString WholeCountry = QStringLiteral("Hela landet");
const QString Separator = QStringLiteral("----------------");
const QString CountyType = QStringLiteral("county");

// Column widths in twips, left to right.
constexpr int ColumnTwips[ResultsTableModel::ColumnCount] = {1440, 1440, 1440, 1440,
                                                            1000, 1000, 1200, 1200};

// Every element of an answer must be a record; anything else is refused by name and position.
const struct_QueryResult &recordAt(const soap::Variant::Array &array, std::size_t index,
                                   const QString &source)
{
    const auto *record = dynamic_cast<const struct_QueryResult *>(array[index].get());
    if (!record) {
        throw soap::RaisedError(
            soap::ErrorNumber::TypeMismatch, source,
            QStringLiteral("Element %1 i svaret är inte ett struct_QueryResult.").arg(index));
    }
    return *record;
}

void requireRecords(const soap::Variant &answer, const QString &source)
{
    const auto &array = answer.array();
    for (std::size_t i = 0; i < array.size(); ++i)
        recordAt(array, i, source);
}

} // namespace

Form1::Form1(ServiceSettings settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint)
    , m_settings(std::move(settings))
{
    setWindowTitle(QStringLiteral("Form1"));
    setContextMenuPolicy(Qt::NoContextMenu);
    createControls();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    const TwipScale twips(logicalDpiX());
    setFixedSize(twips.pixels(10560), twips.pixels(7320));

    CountyComboBox = new QComboBox(this);
    CountyComboBox->setObjectName(QStringLiteral("CountyComboBox"));
    CountyComboBox->setEditable(false);
    CountyComboBox->setGeometry(twips.rect(120, 120, 2535, 315));

    m_rows = new ResultsTableModel(this);
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(twips.rect(0, 600, 10575, 6495));
    ListView1->setModel(m_rows);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSortingEnabled(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setTabKeyNavigation(false);
    QHeaderView *header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < ResultsTableModel::ColumnCount; ++column)
        header->resizeSection(column, twips.pixels(ColumnTwips[column]));

    Command1 = new QPushButton(QStringLiteral("&Visa"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips.rect(2880, 120, 1215, 375));

    Check1 = new QCheckBox(QStringLiteral("Automatisk uppdatering"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(twips.rect(8520, 120, 1935, 375));
    Check1->setToolTip(QStringLiteral("Uppdaterar vald region en gång i minuten"));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(twips.rect(0, 7065, 10560, 255));

    Command2 = new QPushButton(QStringLiteral("Om.."), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twips.rect(4200, 120, 1215, 375));

    // Outside a dialog a push button ignores Enter unless it is auto-default; no button is the
    // window's default, so Enter presses only the button that has the focus.
    for (QPushButton *button : {Command1, Command2}) {
        button->setAutoDefault(true);
        button->setDefault(false);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    for (QWidget *control : findChildren<QWidget *>())
        control->setContextMenuPolicy(Qt::NoContextMenu);

    setTabOrder(CountyComboBox, ListView1);
    setTabOrder(ListView1, Command1);
    setTabOrder(Command1, Check1);
    setTabOrder(Check1, Command2);
    CountyComboBox->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Check1, &QCheckBox::stateChanged, this, &Form1::Check1_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

void Form1::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *display = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(display->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

QString Form1::versionedTitle() const
{
    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    return QStringLiteral("%1 %2.%3")
        .arg(QCoreApplication::applicationName())
        .arg(version.majorVersion())
        .arg(version.minorVersion());
}

void Form1::Form_Load()
{
    setWindowTitle(versionedTitle());
    ClearResults();
    LoadCountryResults();
    FillRegionList(countyCodes->keys());
}

void Form1::Command1_Click()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    try {
        ShowSelectedRegion();
        secondsLeft = CountLength;
    } catch (const soap::RaisedError &error) {
        showError(error);
    }
}

void Form1::Command2_Click()
{
    const QString text = versionedTitle() + QStringLiteral(" är gjort av ")
                         + QStringLiteral(KSV_AUTHOR_CREDIT);
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Form1::Check1_Click()
{
    switch (Check1->checkState()) {
    case Qt::Unchecked:
        Timer1->stop();
        setStatusText(QString());
        break;
    case Qt::Checked:
        Timer1->start();
        secondsLeft = CountLength;
        setStatusText(QStringLiteral("Uppdatering om %1 sekunder").arg(secondsLeft));
        break;
    case Qt::PartiallyChecked:
        break;
    }
}

void Form1::Timer1_Timer()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    if (secondsLeft != 0) {
        --secondsLeft;
    } else {
        try {
            ShowSelectedRegion();
        } catch (const soap::RaisedError &error) {
            showError(error);
        }
        // Also after a failure, so the next attempt comes a full count after the box closed.
        secondsLeft = CountLength;
    }
    if (secondsLeft > 1)
        setStatusText(QStringLiteral("Uppdatering om %1 sekunder").arg(secondsLeft));
    else if (secondsLeft == 1)
        setStatusText(QStringLiteral("Uppdatering om 1 sekund"));
    else
        setStatusText(QStringLiteral("Uppdaterar!"));
}

void Form1::ShowSelectedRegion()
{
    const QString shown = CountyComboBox->currentText();
    if (shown == WholeCountry) {
        LoadCountryResults();
        FillRegionList(countyCodes->keys());
        ClearResults();
        ShowResults(countryResults);
        return;
    }
    // A name that is not a county (the separator, say) counts as code 0: nothing to fetch.
    if (!countyCodes || !countyCodes->contains(shown))
        return;
    const QString code = countyCodes->item(shown);
    const std::optional<double> value = CountyCode::toNumber(code);
    if (!value) {
        throw soap::RaisedError(
            soap::ErrorNumber::TypeMismatch, QStringLiteral("ShowSelectedRegion"),
            QStringLiteral("Länet \"%1\" har koden \"%2\", som inte är ett tal.").arg(shown, code));
    }
    if (!(*value > 0))
        return;
    LoadCountyResults(code);
    ClearResults();
    ShowResults(countyResults);
}

void Form1::LoadCountryResults()
{
    CreateServiceClient();
    soap::Variant answer = serviceClient->wsm_getCountryResultsValnatt();
    // Built aside and swapped in only when the whole answer is good, so a failure keeps the
    // list, the dictionary and the answer shown before.
    auto codes = std::make_unique<CountyDictionary>();
    const auto &array = answer.array();
    for (std::size_t i = 0; i < array.size(); ++i) {
        const struct_QueryResult &record = recordAt(array, i, QStringLiteral("LoadCountryResults"));
        if (record.resultType() == CountyType)
            codes->add(record.name(), record.code());
    }
    countyCodes = std::move(codes);
    countryResults = std::move(answer);
}

void Form1::LoadCountyResults(const QString &code)
{
    CreateServiceClient();
    soap::Variant answer = serviceClient->wsm_getCountyResultsValnatt(code);
    requireRecords(answer, QStringLiteral("LoadCountyResults"));
    countyResults = std::move(answer);
}

void Form1::CreateServiceClient()
{
    serviceClient = std::make_unique<clsws_ElectionResults>(m_settings);
}

void Form1::ResetRegionList()
{
    CountyComboBox->clear();
    CountyComboBox->addItem(WholeCountry);
    CountyComboBox->addItem(Separator);
    CountyComboBox->setCurrentText(WholeCountry);
}

void Form1::FillRegionList(const QStringList &names)
{
    ResetRegionList();
    CountyComboBox->addItems(names);
}

void Form1::ClearResults()
{
    m_rows->clear();
}

void Form1::ShowResults(const soap::Variant &results)
{
    const auto &array = results.array();
    for (std::size_t i = 0; i < array.size(); ++i)
        AddResultRow(recordAt(array, i, QStringLiteral("ShowResults")));
}

void Form1::AddResultRow(const struct_QueryResult &record)
{
    const QString percentOpen = QStringLiteral("% (");
    const QString close = QStringLiteral(")");
    const QString percent = QStringLiteral("%");
    m_rows->appendRow({
        record.name(),
        record.yesPerc() + percentOpen + record.yesNum() + close,
        record.noPerc() + percentOpen + record.noNum() + close,
        record.blankPerc() + percentOpen + record.blankNum() + close,
        record.invalidNum(),
        record.turnoutPerc() + percent,
        record.readyDistricts(),
        record.allDistricts(),
    });
}

void Form1::setStatusText(const QString &text)
{
    if (text.isEmpty())
        StatusBar1->clearMessage();
    else
        StatusBar1->showMessage(text);
}

void Form1::showError(const soap::RaisedError &error)
{
    ErrorBox::show(this, error);
}
