#include "job_fixture.h"

namespace {

using job_testing::JobTest;

class ClosingTest : public JobTest {
 protected:
  // A job at 600 dpi with `columns` x `rows` labels per sheet and `total` labels.
  void Job(int32_t columns, int32_t rows, int32_t total) {
    NewObject();
    Initialize(600);
    ASSERT_TRUE(Header(2362, 1181));
    plugin->vpiSendLayoutData(0, 0, 0, 500, 250, 1000, 500, 15, 0, total, columns, rows);
    spooler.writes.clear();
  }
  // What a page closed by `close` adds between vpiCreateNewPage and vpiCloseNewPageFinal.
  template <class Close>
  std::string Page(Close close) {
    EXPECT_TRUE(plugin->vpiCreateNewPage());
    EXPECT_TRUE(close());
    EXPECT_TRUE(plugin->vpiCloseNewPageFinal());
    std::string bytes = Buffered();
    EXPECT_EQ(bytes.rfind("^XA^CI28^S(CMP,U,D", 0), 0u);
    EXPECT_EQ(bytes.substr(bytes.size() - 3), "^XZ");
    plugin->vpiWritePrinter();
    return bytes.substr(18, bytes.size() - 21);
  }
  std::string Static(int32_t quantity) {
    return Page([&] { return plugin->vpiCloseNewPageStatic(quantity); });
  }
  std::string Dynamic(int32_t labels) {
    return Page([&] { return plugin->vpiCloseNewPageDynamic(labels); });
  }
  void Cut(uint32_t doAutoCut, uint32_t autoCut, uint32_t interval, uint32_t pause, uint32_t buzzer) {
    Setting(u"DoAutoCut", doAutoCut);
    Setting(u"AutoCut", autoCut);
    Setting(u"CutInterval", interval);
    Setting(u"Pause", pause);
    Setting(u"Buzzer", buzzer);
  }
};

TEST_F(ClosingTest, SingleUpStaticPages) {
  Cut(1, 2, 1, 0, 1);
  Job(1, 1, 5);
  EXPECT_EQ(Static(5), "^S(CMP,M,C^PQ5,5,1,Y^S(CUB,S,L");
  EXPECT_EQ(plugin->LabelCounter(), 6);
  Cut(0, 1, 3, 1, 0);
  Job(1, 1, 5);
  EXPECT_EQ(Static(2), "^S(CMP,M,T^PQ2,0,1,N^S(CUB,S,N");
  Cut(1, 1, 3, 0, 0);
  Job(1, 1, 5);
  EXPECT_EQ(Static(4), "^S(CMP,M,C^PQ4,3,1,Y^S(CUB,S,N");
  Cut(1, 7, 3, 2, 2);  // unknown timing: no cut; pause and beep only for 1
  Job(1, 1, 5);
  EXPECT_EQ(Static(4), "^S(CMP,M,T^PQ4,0,1,Y^S(CUB,S,N");
}

TEST_F(ClosingTest, MultiUpFirstPageThenPartialSheet) {
  Cut(1, 0, 1, 0, 1);
  Job(2, 2, 10);
  EXPECT_EQ(Static(2), "^S(CUB,S,N^S(CMP,M,C^PQ2,1,1,Y");  // a partial sheet follows: no beep yet
  EXPECT_EQ(plugin->LabelCounter(), 3);
  EXPECT_EQ(Static(2), "^S(CMP,M,C^PQ1,1,1,Y^S(CUB,S,L");  // the partial sheet: one copy, beeps
  EXPECT_EQ(plugin->SheetLabelIndex(), 3u);
  EXPECT_EQ(plugin->LabelCounter(), 5);
}

TEST_F(ClosingTest, MultiUpWholeSheetsAndNoAutoCut) {
  Cut(1, 1, 2, 1, 1);
  Job(2, 2, 8);
  EXPECT_EQ(Static(2), "^S(CMP,M,C^PQ2,2,1,N^S(CUB,S,L");  // fills whole sheets
  Cut(0, 0, 1, 1, 1);
  Job(2, 2, 10);
  EXPECT_EQ(Static(2), "^S(CUB,S,N^S(CMP,M,T^PQ2,0,1,N");
}

TEST_F(ClosingTest, ARemainderAfterWholeCutGroupsGetsAFormatOfItsOwn) {
  Cut(1, 1, 3, 0, 0);
  Job(2, 2, 10);
  EXPECT_EQ(Static(7),
            "^S(CUB,S,N^S(CMP,M,C^PQ6,3,1,Y^XZ^XA^CI28^S(CMP,U,D^C(L^S(CMP,M,T^PQ1,0,1,Y");
  Cut(1, 2, 3, 0, 0);  // cut only at the end: the groups are not cut
  Job(2, 2, 10);
  EXPECT_EQ(Static(2), "^S(CUB,S,N^S(CMP,M,T^PQ2,0,1,Y");
  Cut(1, 1, 3, 0, 0);
  Job(2, 2, 10);
  EXPECT_EQ(Static(0), "");  // nothing to print: nothing written
}

TEST_F(ClosingTest, DynamicPagesCutEveryIntervalOfSheetsAndAtTheEnd) {
  Cut(1, 1, 1, 0, 1);
  Job(2, 2, 6);
  EXPECT_EQ(Dynamic(4), "^S(CMP,M,C^PQ1,1,1,Y^S(CUB,S,N");
  EXPECT_EQ(Dynamic(5), "^S(CMP,M,T^PQ1,0,1,Y^S(CUB,S,N");
  EXPECT_EQ(Dynamic(6), "^S(CMP,M,C^PQ1,1,1,Y^S(CUB,S,L");  // the last: cut and beep
  Cut(1, 2, 1, 1, 0);
  Job(2, 2, 6);
  EXPECT_EQ(Dynamic(4), "^S(CMP,M,T^PQ1,0,1,N^S(CUB,S,N");
  EXPECT_EQ(Dynamic(6), "^S(CMP,M,C^PQ1,1,1,N^S(CUB,S,N");
}

TEST_F(ClosingTest, CountsThatWouldDivideByZeroCountAsOne) {
  for (uint32_t interval : {0u, 0xFFFFFFFBu}) {  // 0 and -5
    Cut(1, 1, interval, 0, 0);
    Job(2, 2, 10);
    EXPECT_EQ(Static(3), "^S(CUB,S,N^S(CMP,M,C^PQ3,1,1,Y");
    Job(2, 2, 6);
    EXPECT_EQ(Dynamic(5), "^S(CMP,M,T^PQ1,0,1,Y^S(CUB,S,N");
  }
  Cut(1, 1, 2, 0, 0);
  Job(0, 3, 6);  // no columns: three labels per sheet, whole sheets
  EXPECT_EQ(Static(3), "^S(CMP,M,C^PQ3,2,1,Y^S(CUB,S,N");
  Job(0, 3, 7);
  EXPECT_EQ(Static(3), "^S(CUB,S,N^S(CMP,M,C^PQ2,2,1,Y^XZ^XA^CI28^S(CMP,U,D^C(L^S(CMP,M,T^PQ1,0,1,Y");
  Job(3, 0, 6);
  EXPECT_EQ(Dynamic(6), "^S(CMP,M,C^PQ1,1,1,Y^S(CUB,S,N");
}

TEST_F(ClosingTest, EmptyPageIsAWhiteSquareClosedAsOneLabel) {
  Cut(1, 2, 1, 1, 1);
  Job(1, 1, 1);
  ASSERT_TRUE(plugin->vpiAddEmptyPage());
  EXPECT_EQ(Buffered(), "^XA^CI28^S(CMP,U,D^FO0,0^GB100,100,100,W,0^FS^S(CMP,M,T^PQ1,0,1,N^S(CUB,S,N^XZ");
}

}  // namespace
