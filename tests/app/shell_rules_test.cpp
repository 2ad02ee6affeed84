#include <gtest/gtest.h>

#include "app/app_values.h"
#include "app/shell_rules.h"
#include "barcode/ean_upc.h"
#include "xbase/memvar.h"
#include "xbase/tpublic.h"

namespace {

TEST(ShellRules, LogoStandsCentredAcrossAnd65AboveTheMiddle) {
  struct Case {
    QSize area, logo;
    QPoint want;
  };
  const Case cases[] = {
      {{1000, 700}, {420, 180}, {290, 350 - 90 - 65}},
      {{421, 181}, {420, 180}, {0, 90 - 90 - 65}},
      {{100, 100}, {420, 180}, {50 - 210, 50 - 90 - 65}},
  };
  for (const Case& c : cases) EXPECT_EQ(qv::logoTopLeft(c.area, c.logo), c.want);
}

TEST(ShellRules, TestWindowTitleIsTheEan13OfTheCurrentCode) {
  struct Case {
    std::string code, body;
  };
  const Case cases[] = {
      {std::string(25, ' '), "000000000000"},
      {"123" + std::string(22, ' '), "123000000000"},
      {" 84 2000 00000 1" + std::string(9, ' '), "842000000001"},
      {"84200000000123456", "842000000001"},
  };
  for (const Case& c : cases) {
    const std::string title = qv::testWindowTitle(c.code);
    ASSERT_EQ(title.size(), 13u) << c.code;
    EXPECT_EQ(title.substr(0, 12), c.body);
    // independent check: the EAN-13 weights 1,3,1,3... over the body
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (c.body[size_t(i)] - '0') * (i % 2 ? 3 : 1);
    EXPECT_EQ(title[12], char('0' + (10 - sum % 10) % 10)) << c.code;
  }
}

TEST(ShellRules, PictureNumbersGroupThousands) {
  struct Case {
    int64_t n;
    const char* want;
  };
  const Case cases[] = {{0, "0"},         {999, "999"},           {1000, "1,000"},
                        {1234567, "1,234,567"}, {999999999999, "999,999,999,999"},
                        {1000000000000, "***************"}};
  for (const Case& c : cases) EXPECT_EQ(qv::pictureNumber(c.n), c.want) << c.n;
}

TEST(ShellRules, MemoryFiguresComeFromProcTexts) {
  const std::string status = "Name:\tquorvalent\nVmPeak:\t  300000 kB\nVmHWM:\t   52000 kB\nVmRSS:\t   51000 kB\n";
  const auto m = qv::parseProcStatus(status);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->used, 51000 * 1024);
  EXPECT_EQ(m->peak, 52000 * 1024);
  EXPECT_FALSE(qv::parseProcStatus("Name: x\n"));

  EXPECT_EQ(qv::parseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 250 kB\n"), 25);
  EXPECT_EQ(qv::parseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\n"), 10);
  EXPECT_FALSE(qv::parseMemInfo("nothing"));

  qv::MemoryFigures f;
  f.used = 1234567;
  f.peak = 2345678;
  f.freePercent = 42;
  EXPECT_EQ(qv::memoryReport(f), "MemUsed: 1,234,567\r\nMemMax : 2,345,678\r\nResources: 42%");

  const qv::MemoryFigures now = qv::currentMemory();
  EXPECT_GT(now.used, 0);
  EXPECT_GE(now.peak, now.used);
}

TEST(ShellRules, TheFirstCalculatorFoundIsUsed) {
  const QStringList candidates = {"uno", "dos", "tres"};
  EXPECT_EQ(qv::firstCalculator(candidates, [](const QString& n) { return n == "dos" || n == "tres" ? "/usr/bin/" + n : QString(); }),
            "/usr/bin/dos");
  EXPECT_TRUE(qv::firstCalculator(candidates, [](const QString&) { return QString(); }).isEmpty());
  EXPECT_FALSE(qv::calculatorCandidates().isEmpty());
}

TEST(AppValues, StartUpCreatesTheApplicationWideValues) {
  xb::releaseAllPublics();
  qv::createAppValues();
  struct Case {
    const char* name;
    xb::Value want;
  };
  const Case cases[] = {
      {"cCodigoTxt", std::string(20, ' ')}, {"cCodigo", std::string(25, ' ')}, {"cDescrip", std::string(45, ' ')},
      {"cElTipBarr", ""},                   {"lSoloImpri", false},             {"lModifica", false},
      {"cBusqueda", ""},                    {"cCodiCont", ""},
  };
  for (const Case& c : cases) {
    const xb::Value* v = xb::findNamed(c.name);
    ASSERT_NE(v, nullptr) << c.name;
    EXPECT_EQ(*v, c.want) << c.name;
  }
  EXPECT_TRUE(xb::findNamed("hDll")->isNil());
  EXPECT_TRUE(xb::findNamed("oWin")->isNil());
  EXPECT_EQ(xb::findNamed("ColorBrush")->num(), 250 + 250 * 256 + 250 * 65536);
  EXPECT_EQ(xb::findNamed("Clr_Crystal")->num(), 135 + 135 * 256 + 245 * 65536);
  const xb::Value* buttonSlots = xb::findNamed("oBtnP1");
  ASSERT_TRUE(buttonSlots->isArray());
  EXPECT_EQ(buttonSlots->arr()->size(), 3u);
  EXPECT_EQ(qv::currentCode(), std::string(25, ' '));
  qv::createRunStore();
  const xb::Value* store = xb::findNamed("oApEjec");
  ASSERT_TRUE(store && store->isObject());
  auto* tp = dynamic_cast<xb::TPublic*>(store->obj().get());
  ASSERT_NE(tp, nullptr);
  EXPECT_EQ(tp->nCount(), 1);
  EXPECT_EQ(tp->Get("nLinEjec"), xb::Value(0));
  xb::releaseAllPublics();
}

}  // namespace
