#include "form1.h"

#include "accessibleroles.h"
#include "clsws_ElectionResults.h"
#include "countycode.h"
#include "countydictionary.h"
#include "errornumbers.h"
#include "newfiguresnotice.h"
#include "raisederror.h"
#include "resultstablemodel.h"
#include "rowtexts.h"
#include "struct_QueryResult.h"
#include "tableplace.h"
#include "twipscale.h"
#include "wholetextdelegate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QTreeView>
#include <QVersionNumber>

#include "ksv_config.h"

#include <utility>

namespace {

const QString WholeCountry = QStringLiteral("Hela landet");
const QString Separator = QStringLiteral("----------------");

// Column widths in twips, left to right.
constexpr int ColumnTwips[ResultsTableModel::ColumnCount] = {1440, 1440, 1440, 1440,
                                                            1000, 1000, 1200, 1200};

// Rows built for a refresh are shown only when the refresh got that far; otherwise dropped.
class RefreshScope
{
public:
    explicit RefreshScope(ResultsTableModel &rows) : m_rows(rows) { m_rows.beginRefresh(); }
    ~RefreshScope()
    {
        if (!m_ended)
            m_rows.abandonRefresh();
    }
    RefreshScope(const RefreshScope &) = delete;
    RefreshScope &operator=(const RefreshScope &) = delete;

    ResultsTableModel::Refresh end(bool inPlace)
    {
        m_ended = true;
        return m_rows.endRefresh(inPlace);
    }

private:
    ResultsTableModel &m_rows;
    bool m_ended = false;
};

} // namespace

Form1::Form1(ServiceSettings settings, QWidget *parent)
    // Windows gives a fixed size window a sizing border unless told it is a thin-bordered one.
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_settings(std::move(settings))
    , m_errorBox(this)
{
    AccessibleRoles::install();
    setWindowTitle(QStringLiteral("Form1"));
    setContextMenuPolicy(Qt::NoContextMenu);
    createControls();
}

Form1::~Form1()
{
    m_serviceThread.release(std::move(serviceClient));
}

void Form1::createControls()
{
    const TwipScale twips(logicalDpiX());
    setFixedSize(twips.pixels(10560), twips.pixels(7320));

    CountyComboBox = new QComboBox(this);
    CountyComboBox->setObjectName(QStringLiteral("CountyComboBox"));
    CountyComboBox->setEditable(false);
    CountyComboBox->setGeometry(twips.rect(120, 120, 2535, 315));
    // On Linux a combo box's accessible name is the entry it shows; what it is for comes from the
    // label that names it. The layout has none to see, so this one is never shown.
    auto *regionLabel = new QLabel(QStringLiteral("Region"), this);
    regionLabel->setObjectName(QStringLiteral("RegionLabel"));
    regionLabel->setBuddy(CountyComboBox);
    regionLabel->hide();

    m_rows = new ResultsTableModel(this);
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Resultat"));
    ListView1->setGeometry(twips.rect(0, 600, 10575, 6495));
    ListView1->setModel(m_rows);
    ListView1->setItemDelegate(new WholeTextDelegate(ListView1));
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
    createStatusParts();

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

    m_notice = new NewFiguresNotice(this);

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

// The countdown on the left, where the bar's one text stood; how fresh the figures are on the
// right. The countdown's accessible name stays put and only its description follows the count,
// so a screen reader is not told of a change every second.
void Form1::createStatusParts()
{
    m_countdownText = new QLabel(StatusBar1);
    m_countdownText->setObjectName(QStringLiteral("CountdownText"));
    m_countdownText->setAccessibleName(QStringLiteral("Nästa uppdatering"));
    m_countdownText->setTextFormat(Qt::PlainText);
    // Where the bar drew its one text: 6 pixels in from the bar's edge.
    m_countdownText->setContentsMargins(4, 0, 0, 0);
    StatusBar1->addWidget(m_countdownText, 1);

    m_freshnessText = new QLabel(StatusBar1);
    m_freshnessText->setObjectName(QStringLiteral("FreshnessText"));
    m_freshnessText->setTextFormat(Qt::PlainText);
    m_freshnessText->setContentsMargins(0, 0, 4, 0);
    // Long texts from the service are cut in the middle; the region and the failure stay in view.
    const int countdownRoom =
        m_countdownText->fontMetrics().horizontalAdvance(QStringLiteral("Uppdatering om 60 sekunder"));
    m_freshnessText->setMaximumWidth(StatusBar1->width() - countdownRoom - 24);
    StatusBar1->addPermanentWidget(m_freshnessText);
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
    try {
        ShowSelectedRegion();
        secondsLeft.restart();
    } catch (const soap::RaisedError &error) {
        reportFailure(error);
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
        secondsLeft.restart();
        setStatusText(secondsLeft.text());
        break;
    case Qt::PartiallyChecked:
        break;
    }
}

// Ticks go on while an error box is up: the box only keeps input from the window.
void Form1::Timer1_Timer()
{
    if (secondsLeft.tick()) {
        try {
            ShowSelectedRegion();
        } catch (const soap::RaisedError &error) {
            reportFailure(error);
        }
        // After a failure too: the next attempt comes a full count after this one.
        secondsLeft.restart();
    }
    setStatusText(secondsLeft.text());
}

void Form1::ShowSelectedRegion()
{
    const QString shown = CountyComboBox->currentText();
    if (shown == WholeCountry) {
        LoadCountryResults();
        FillRegionList(countyCodes->keys());
        showAnswer(shown, countryResults);
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
    showAnswer(shown, countyResults);
}

// The table changes only once the answer is known to be whole; a refresh of the region already
// shown keeps the user's row and scroll position, another region starts at the top.
void Form1::showAnswer(const QString &region, const RegionAnswer &answer)
{
    const bool sameRegion = region == m_freshness.region();
    const TablePlace place(*ListView1);
    RefreshScope refresh(*m_rows);
    ClearResults();
    ShowResults(answer);
    const ResultsTableModel::Refresh change = refresh.end(sameRegion);
    if (!sameRegion)
        ListView1->scrollToTop();
    else if (change == ResultsTableModel::Refresh::Rebuilt)
        place.restore(*ListView1);

    m_freshness.shown(region, answer.generated());
    showFreshness();
    if (change != ResultsTableModel::Refresh::Unchanged || !sameRegion)
        m_notice->announce(QStringLiteral("Nya resultat för ") + region);
    m_errorBox.dismiss();
}

void Form1::LoadCountryResults()
{
    CreateServiceClient();
    // Checked whole and kept aside: a failure keeps the list, the dictionary and the answer
    // shown before.
    RegionAnswer answer(
        m_serviceThread.run([this] { return serviceClient->wsm_getCountryResultsValnatt(); }),
        QStringLiteral("LoadCountryResults"));
    countyCodes = answer.counties();
    countryResults = std::move(answer);
}

void Form1::LoadCountyResults(const QString &code)
{
    CreateServiceClient();
    countyResults = RegionAnswer(
        m_serviceThread.run([this, &code] { return serviceClient->wsm_getCountyResultsValnatt(code); }),
        QStringLiteral("LoadCountyResults"));
}

// The WSDL fetch and the call after it share one time-out: a fetch never waits longer.
void Form1::CreateServiceClient()
{
    ServiceSettings fetch = m_settings;
    fetch.endsBy = std::chrono::steady_clock::now() + m_settings.timeout;
    m_serviceThread.run([this, &fetch] { serviceClient = std::make_unique<clsws_ElectionResults>(fetch); });
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

void Form1::ShowResults(const RegionAnswer &results)
{
    for (std::size_t i = 0; i < results.size(); ++i)
        AddResultRow(results.at(i));
}

void Form1::AddResultRow(const struct_QueryResult &record)
{
    m_rows->appendRow(RowTexts::of(record));
}

void Form1::reportFailure(const soap::RaisedError &error)
{
    m_freshness.failed(QTime::currentTime());
    showFreshness();
    m_errorBox.report(error);
}

void Form1::setStatusText(const QString &text)
{
    m_countdownText->setText(text);
    m_countdownText->setAccessibleDescription(text);
}

void Form1::showFreshness()
{
    const QString text = m_freshness.text();
    const QMargins margins = m_freshnessText->contentsMargins();
    const QString shown = m_freshnessText->fontMetrics().elidedText(
        text, Qt::ElideMiddle, m_freshnessText->maximumWidth() - margins.left() - margins.right());
    // The name first: a label with a name of its own does not report its text changing too.
    m_freshnessText->setAccessibleName(text);
    m_freshnessText->setText(shown);
    m_freshnessText->setToolTip(shown == text ? QString() : text);
}
