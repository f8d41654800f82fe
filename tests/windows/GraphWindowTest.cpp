// The graph window, offscreen: what GraphInit takes from the graph record, the menus,
// and a run against the emulated controller unit with its screenshot.
#include "windows/GraphFixture.h"

#include "app/SystemFlags.h"
#include "platform/SettingsStore.h"
#include "platform/AppInfo.h"
#include "platform/Winsock.h"
#include "unitsim/UnitSim.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cmath>
#include <functional>

namespace {

using GraphWindow = GraphFixture;

QString Visible(int g) { return GetSetting(App().Title, QString("frmGraph%1").arg(g), "Visible"); }

TEST_F(GraphWindow, GraphInitDrawsTheChosenChannelsWithFilmsOnTheirAxes) {
    struct Case {
        int32_t data;
        int16_t channels, chanAxis;
        QStringList left, right;  // labels of series 1..4; "" = not drawn
        bool y2;
    };
    const Case cases[] = {
        // Channel 1 on the right; channel 2 not chosen; channel 3 chosen but without a film.
        {GraphDataKind::Rate, 0b1011, 0b0010, {"Titania", "", "", ""}, {"", "Silica", "", ""}, true},
        {GraphDataKind::Power, 0b0101, 0b0010, {"Titania", "", "Alumina", ""}, {"", "", "", ""}, false},
        // The Sensor kind draws flux and gas of every chosen channel, whatever its axis.
        {GraphDataKind::Sensor, 0b0011, 0b0000, {"Titania", "Silica", "", ""}, {"Gas", "Gas", "", ""}, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.data);
        gGraph(0).Data = k.data;
        gGraph(0).Channels = k.channels;
        gGraph(0).ChanAxis = k.chanAxis;
        frmGraph* w = gGraphForm(0) ? gGraphForm(0).data() : Open(0);
        w->GraphInit();
        StripChart& chart = *w->moGraph;
        for (int s = 1; s <= 4; ++s) {
            EXPECT_EQ(chart.SeriesLabel(1, s).trimmed(), k.left[s - 1]);
            EXPECT_EQ(chart.SeriesShown(1, s), !k.left[s - 1].isEmpty());
            EXPECT_EQ(chart.SeriesLabel(2, s).trimmed(), k.right[s - 1]);
            EXPECT_EQ(chart.SeriesShown(2, s), !k.right[s - 1].isEmpty());
        }
        EXPECT_EQ(chart.AxisShowing(StripChart::Y2), k.y2);
    }
    // The legend names the film without the blanks of its stored width.
    EXPECT_EQ(gGraphForm(0)->moGraph->SeriesLabel(1, 1), "Titania");
    // Sensor with gas calibration off: the right group draws the zeros it is given.
    frmGraph* w = gGraphForm(0);
    const std::vector<double> sensor = {1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    w->GraphReading(3.0, sensor);
    EXPECT_EQ(w->moGraph->Data().Y(1, 2, 1), 2);
    EXPECT_EQ(w->moGraph->Data().Y(2, 2, 1), 0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(GraphWindow, AxesAndPointsComeFromTheRecordUnlessAdvanced) {
    GraphRec& r = gGraph(1);
    r.Y1Min = "2 A/s";  // the leading number counts
    r.Y1Max = "12";
    r.Y1Log = 0;
    r.Y1Exp = 9;
    r.Y1Units = "A/s";
    r.XUnits = 1;
    r.XWidth = 30;
    r.XPoints = 300;
    frmGraph* w = Open(1);
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Graph 2");
    EXPECT_EQ(Visible(1), "True");
    StripChart& chart = *w->moGraph;
    EXPECT_EQ(chart.AxisMin(StripChart::Y), 2);
    EXPECT_EQ(chart.AxisMax(StripChart::Y), 12);
    EXPECT_DOUBLE_EQ(chart.AxisSpacing(StripChart::Y), 2);
    EXPECT_TRUE(chart.AxisScientific(StripChart::Y));
    EXPECT_EQ(chart.AxisTitle(StripChart::Y), "A/s");
    EXPECT_EQ(chart.AxisTitle(StripChart::X), "Time (Min.)");
    EXPECT_EQ(chart.AxisMax(StripChart::X), 30);
    EXPECT_EQ(chart.Data().NumPoints(), 300);

    // Both Y axes label both their ends, whatever the span: five steps from the lower end,
    // or the decades of a log axis, where a decade too close to an end gives way to it.
    struct Ends {
        QString min, max;
        int32_t log;
        std::vector<double> ticks;
    };
    const Ends ends[] = {
        {"1", "10", 0, {1, 2.8, 4.6, 6.4, 8.2, 10}},
        {"0", "16", 0, {0, 3.2, 6.4, 9.6, 12.8, 16}},
        {"-3", "0.5", 0, {-3, -2.3, -1.6, -0.9, -0.2, 0.5}},
        {"0.5", "50", 1, {0.5, 1, 10, 50}},
        {"0.8", "120", 1, {0.8, 10, 120}},
    };
    r.ChanAxis = 0b0010;  // a channel on the right axis shows it
    for (const Ends& e : ends) {
        SCOPED_TRACE((e.min + ".." + e.max).toStdString());
        r.Y1Min = r.Y2Min = e.min;
        r.Y1Max = r.Y2Max = e.max;
        r.Y1Log = r.Y2Log = e.log;
        r.Y1Exp = r.Y2Exp = 1;
        w->GraphInit();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        for (QCPAxis* axis : {chart.yAxis, chart.yAxis2}) {
            const QVector<double> ticks = axis->tickVector();
            ASSERT_EQ(ticks.size(), qsizetype(e.ticks.size()));
            for (size_t i = 0; i < e.ticks.size(); ++i) EXPECT_NEAR(ticks[qsizetype(i)], e.ticks[i], 1e-9);
            EXPECT_EQ(axis->tickVectorLabels().first(), e.min);
            EXPECT_EQ(axis->tickVectorLabels().last(), e.max);
        }
    }
    EXPECT_TRUE(chart.AxisShowing(StripChart::Y2));
    // For the eye: both axes labelled end to end, the legend with the films' bare names.
    r.Y1Min = "1";
    r.Y1Max = "10";
    r.Y1Log = 0;
    w->GraphInit();
    for (int i = 0; i <= 40; ++i) w->GraphReading(i * 6.0, std::vector<double>{3 + std::sin(i / 6.0), 20 + 10 * std::cos(i / 9.0), 7});
    chart.replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_TRUE(w->grab().save(ScreenshotDir() + "/graph_axes.png"));

    // Advanced: the chart keeps its own point count and axes; the series and the X title
    // still follow the record.
    chart.SetAxisRange(StripChart::Y, 5, 7);
    r.Advanced = 1;
    r.XPoints = 50;
    r.XUnits = 2;
    r.Channels = 0b0001;
    w->GraphReading(10, std::vector<double>(8, 1.0));
    w->GraphInit();
    EXPECT_EQ(chart.AxisMin(StripChart::Y), 5);
    EXPECT_EQ(chart.Data().NumPoints(), 300);
    EXPECT_EQ(chart.Data().LastPoint(), 0);
    EXPECT_FALSE(chart.SeriesShown(1, 2));
    EXPECT_EQ(chart.AxisTitle(StripChart::X), "Time (Hr.)");
}

TEST_F(GraphWindow, MenusPauseEditPrintHelpAndClose) {
    frmGraph* w = Open(2);
    // Pause drops readings until Run.
    w->mnuRunHold->trigger();
    EXPECT_EQ(w->mnuRunHold->text(), " R&un ");
    w->GraphReading(1, std::vector<double>(8, 1.0));
    EXPECT_EQ(w->moGraph->Data().LastPoint(), 0);
    w->mnuRunHold->trigger();
    EXPECT_EQ(w->mnuRunHold->text(), "Pa&use");
    w->GraphReading(1, std::vector<double>(8, 1.0));
    EXPECT_EQ(w->moGraph->Data().LastPoint(), 1);

    // Edit opens the shared setup window on this graph, unless the front panel locks it.
    SystemFlags = 1 << SystemFlag::GraphSetup;
    w->mnuEdit->trigger();
    EXPECT_TRUE(gGraphsSetup.isNull());
    SystemFlags = 0;
    w->mnuEdit->trigger();
    ASSERT_FALSE(gGraphsSetup.isNull());
    EXPECT_TRUE(gGraphsSetup->isVisible());
    EXPECT_EQ(gGraphsSetup->GraphNum(), 2);

    // Print: on the printer chosen, nothing when cancelled.
    const QString pdf = folder.file("graph.pdf");
    SetPrinterResponder([&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    });
    w->mnuPrint->trigger();
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
    QFile::remove(pdf);
    SetPrinterResponder([](QPrinter&) { return false; });
    w->mnuPrint->trigger();
    EXPECT_FALSE(QFile::exists(pdf));

    w->mnuHelp->trigger();
    EXPECT_EQ(helpTopics, std::vector<int>{130});

    // Close: the graph stays closed at the next start.
    QPointer<frmGraph> closing = w;
    w->mnuClose->trigger();
    EXPECT_EQ(Visible(2), "False");
    EXPECT_FALSE(App().ShowGraph(2));
    EXPECT_TRUE(gGraphForm(2).isNull());
    QTest::qWait(0);
    EXPECT_TRUE(closing.isNull() || !closing->isVisible());

    // The close box likewise; the program's own unload leaves the setting as it was.
    Open(2)->close();
    EXPECT_FALSE(App().ShowGraph(2));
    EXPECT_EQ(Visible(2), "False");
    Open(3);
    App().setShowGraph(3, false);
    EXPECT_EQ(Visible(3), "True");
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(GraphWindow, DrawnWholeTheChartLightsWhatItLitPointByPoint) {
    // About ten points to a pixel column, values beyond both ends of the axis (and of no
    // place at all on a log axis), a channel left out for a while, and rows that have
    // scrolled. The bands of the three series do not touch, so no series draws over
    // another in one drawing and under it in the other.
    for (const bool log : {false, true}) {
        SCOPED_TRACE(log ? "log" : "linear");
        StripChart chart;
        chart.resize(420, 320);
        chart.show();
        for (int s : {1, 2}) chart.SetSeriesShown(1, s, true);
        chart.SetSeriesShown(2, 3, true);
        chart.SetAxisLogarithmic(StripChart::Y, log);
        chart.SetAxisRange(StripChart::Y, log ? 0.1 : 0, 10);
        chart.SetAxisRange(StripChart::Y2, 0, 50);
        chart.SetAxisRange(StripChart::X, 0, 100);
        chart.Data().SetNumPoints(3000);
        GraphRec rec;
        rec.Channels = 0b0111;
        rec.ChanAxis = 0b0100;
        rec.XScroll = 2;  // a full row lets half of its points go

        auto grab = [&] {
            chart.replot(QCustomPlot::rpImmediateRefresh);
            return chart.grab().toImage();
        };
        const QImage empty = grab();
        int k = 0;
        auto read = [&] {
            const double n = std::sin(k * 1.3) * std::cos(k * 0.37);
            // Channel 0 reaches past the top; channel 1 now and then drops to 0 or below.
            const double high = log ? 7 + 5 * n : 9 + 3 * n;
            double low = log ? 0.3 + 0.15 * n : 1.5 + n;
            if (k % 97 == 0) low = log ? 0 : -1;
            rec.Channels = (k >= 1000 && k < 1100) ? 0b0101 : 0b0111;
            const std::vector<double> v = {high, low, 25 + 3 * n};
            return chart.Data().Reading(++k * 0.034, v, rec);
        };
        auto compare = [&] {
            const QImage pointByPoint = grab();
            EXPECT_NE(pointByPoint, empty);
            chart.Redraw();
            EXPECT_EQ(grab(), pointByPoint);
        };
        while (k < 2900) chart.DrawReading(read());
        compare();
        // Full and past the axis end: half the points go, the axis moves, and the rows
        // wrap round. The points that follow are added to what was drawn then.
        StripChartModel::Plot plot;
        bool moved = false;
        while (!plot.shifted) {
            chart.DrawReading(plot = read());
            moved = moved || plot.axisMoved;
        }
        ASSERT_TRUE(moved);
        grab();
        for (int i = 0; i < 1300; ++i) {
            chart.DrawReading(plot = read());
            ASSERT_FALSE(plot.shifted || plot.axisMoved);
        }
        compare();
    }
}

// The parts of the main window that drive the link and feed the graph: the socket handler,
// the 90 ms poll, the reading request, and one graph reading per reading reply with the
// channels' flux.
struct Station {
    Winsock socket;
    QTimer poll;
    QElapsedTimer layer;  // the layer's start
    int readings = 0;

    Station(cORUN& link, frmGraph& graph) {
        layer.start();
        QObject::connect(&socket, &Winsock::DataArrival, [&](int n) {
            for (char c : socket.GetData(n)) link.ParseResponse(static_cast<uint8_t>(c));
        });
        poll.setInterval(90);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            link.SendReadSensors();
            link.SendCheckReading();
        });
        QObject::connect(&link, &cORUN::ORUNResponse, [&](const QString& r) {
            if (r.startsWith("ORUN")) poll.start();
            if (r == "F1") link.SendGetReading();
            if (!r.startsWith('G')) return;
            ++readings;
            std::vector<double> flux(8);
            for (int c = 0; c < 8; ++c) flux[c] = link.ChanFlux(c);
            graph.GraphReading(layer.elapsed() / 1000.0, flux);
        });
    }
};

TEST_F(GraphWindow, FourChannelsDuringAnEmulatedRunAndItsScreenshot) {
    Deposit({0, 1, 2, 3});
    gFilm(4).Film_Name = QString("Tantala");
    GraphRec& r = gGraph(0);
    r.Caption = "Rates";
    r.Y1Units = "Rate (A/s)";
    r.Y1Max = "1200";
    r.XWidth = 4;
    r.XPoints = 40;
    frmGraph* w = Open(0);
    w->resize(720, 440);

    Clock::UseSystem();  // the emulated unit's readings come in real time
    UnitSim unit;
    unit.Model().plant.params.lagSeconds = 0.6;
    ASSERT_TRUE(unit.ListenTcp(QHostAddress::LocalHost, 0));
    cORUN& link = Unit();
    Station station(link, *w);
    ASSERT_TRUE(link.CommInit(10, unit.TcpPort(), "127.0.0.1", &station.socket));
    link.SendGetVersion();
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.readings > 0; }, 5000));
    // On a loaded machine the poll's commands pile up behind slow replies, and the link
    // drops a queue of more than ten: settings and powers go out with the poll held and
    // the link idle, so the unit gets every one of them.
    const auto idle = [&] { return link.CommStatus() == 0; };  // no command in flight, none queued
    const auto quietly = [&](const std::function<void()>& send) {
        station.poll.stop();
        EXPECT_TRUE(QTest::qWaitFor(idle, 20000));
        send();
        EXPECT_TRUE(QTest::qWaitFor(idle, 20000));
        station.poll.start();
    };
    quietly([&] {
        for (int c = 0; c < 4; ++c) {
            link.setPMTVolts(c, 1000);
            // Signals in tenths of counts above the background.
            link.setCalSlope(c, 0, -0.1);
            link.setCalSlope(c, 1, -0.1);
            link.setCalIntercept(c, 0, link.CalHiBias());
            link.setCalIntercept(c, 1, link.CalHiBias());
        }
    });

    // The layer starts: four sources come up at different powers; two change half way.
    station.layer.start();
    w->GraphInit();
    auto power = [&](std::initializer_list<double> percent) {
        int c = 0;
        for (double p : percent) link.setPower(c++, p);
        link.SendPower();
    };
    const StripChartModel& data = w->moGraph->Data();
    const auto last = [&](int series) { return data.LastPoint() > 0 ? data.Y(1, series, data.LastPoint()) : 0.0; };
    // Channel 0 comes up towards 90 %, then falls towards 40 % while channel 2 rises; the
    // chart scrolls on past its 4 seconds, a point per 0.1 s.
    quietly([&] { power({90, 60, 35, 10}); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return last(1) > 700; }, 30000)) << last(1);
    const double rising = last(3);
    quietly([&] { power({40, 60, 80, 10}); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return last(1) < 600 && last(3) > rising + 200 && data.XMin() > 0 && data.LastPoint() >= 20; }, 30000))
        << last(1) << " " << last(3) << " " << data.XMin() << " " << data.LastPoint();
    EXPECT_LE(data.LastPoint(), 40);
    for (int s = 1; s <= 4; ++s) EXPECT_TRUE(w->moGraph->SeriesShown(1, s));
    // No reading comes between the two drawings below; the last one is drawn.
    station.poll.stop();
    EXPECT_TRUE(QTest::qWaitFor(idle, 20000));
    QTest::qWait(0);
    const QImage drawn = w->grab().toImage();
    EXPECT_TRUE(drawn.save(ScreenshotDir() + "/graph_run.png"));
    // Point by point the chart draws what it draws when drawn whole.
    w->moGraph->Redraw();
    w->moGraph->replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_EQ(w->grab().toImage(), drawn);
}

}  // namespace
