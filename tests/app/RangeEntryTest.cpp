#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "tests/app/WindowFixture.h"

namespace {

using apptest::TestDrive;
using apptest::Window;

std::shared_ptr<TestDrive> DriveWith(std::int32_t blocks) {
  sim::SimDriveConfig c;
  c.disc = sim::Disc::Data(blocks);
  return std::make_shared<TestDrive>(c);
}

TEST(RangeEntryTest, DefaultRangeForTheCapacity) {
  const struct {
    std::int32_t capacity;
    const char* start;
    const char* amount;
    const char* caption;
  } cases[] = {
      {300000, "289998", "10000", "CD Recorded Capacity = 300000    (66:42:00)"},
      {10002, "0", "10000", "CD Recorded Capacity = 10002    (02:15:27)"},
      {10001, "0", "10000", "CD Recorded Capacity = 10001    (02:15:26)"},
      {10000, "0", "10000", "CD Recorded Capacity = 10000    (02:15:25)"},
      {5000, "0", "4998", "CD Recorded Capacity = 5000    (01:08:50)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capacity);
    Window w(Window::Machine({DriveWith(c.capacity)}));
    w.Tick();
    TForm1& f = *w.form;
    EXPECT_EQ(f.CDSize->Caption(), c.caption);
    EXPECT_EQ(f.RecordedCapacity, c.capacity);
    EXPECT_EQ(f.Edit1->Text(), c.start);
    EXPECT_EQ(f.Edit2->Text(), c.amount);
    // The range now lies inside the disc: no adjust button.
    EXPECT_FALSE(f.StartAdjustButton->Visible());
    EXPECT_FALSE(f.BlockAdjustButton->Visible());
    EXPECT_FALSE(f.BlockAdjustButton->Enabled());
  }
}

TEST(RangeEntryTest, MsfEchoesAndNegativeValues) {
  Window w(Window::Machine({DriveWith(359775)}));
  TForm1& f = *w.form;
  const struct {
    toolkit::TEdit* edit;
    toolkit::TLabel* msf;
    const char* typed;
    const char* text;
    const char* echo;
  } cases[] = {
      {f.Edit1, f.StartAddressMSF, "300000", "300000", "66:42:00"},
      {f.Edit1, f.StartAddressMSF, "0", "0", "00:02:00"},
      {f.Edit2, f.BlocksMSF, "10000", "10000", "02:15:25"},  // the offset is included
      {f.Edit1, f.StartAddressMSF, "-7", "0", "00:02:00"},
      {f.Edit2, f.BlocksMSF, "-20", "0", "00:02:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    c.edit->SetText("1");
    c.edit->PostText(c.typed);
    w.app().ProcessMessages();
    EXPECT_EQ(c.edit->Text(), c.text);
    EXPECT_EQ(c.msf->Caption(), c.echo);
  }
  EXPECT_TRUE(w.host().MessageBoxes().empty());
}

TEST(RangeEntryTest, TextsThatDoNotConvertBringUpTheStopBox) {
  Window w(Window::Machine({DriveWith(359775)}));
  TForm1& f = *w.form;
  f.Edit1->PostText("1234");
  w.app().ProcessMessages();
  ASSERT_EQ(f.StartAddressMSF->Caption(), "00:18:34");
  for (const char* text : {"-", "", "12a"}) {
    SCOPED_TRACE(text);
    const size_t before = w.host().MessageBoxes().size();
    f.Edit1->PostText(text);
    w.app().ProcessMessages();
    const auto boxes = w.host().MessageBoxes();
    ASSERT_EQ(boxes.size(), before + 1);
    EXPECT_EQ(boxes.back().text, std::string("'") + text + "' is not a valid integer value");
    EXPECT_EQ(boxes.back().caption, "Velmark");
    EXPECT_EQ(f.Edit1->Text(), text);                     // the typed text stays
    EXPECT_EQ(f.StartAddressMSF->Caption(), "00:18:34");  // the echo keeps its caption
  }
  // The amount's handler fails on the start field too, as long as it does not convert.
  const size_t before = w.host().MessageBoxes().size();
  f.Edit2->PostText("500");
  w.app().ProcessMessages();
  EXPECT_EQ(w.host().MessageBoxes().size(), before + 1);
  EXPECT_EQ(f.BlocksMSF->Caption(), "00:08:50");
  // The adjust button of the amount fails the same way.
  const std::string amount = f.Edit2->Text();
  EXPECT_THROW(f.BlockAdjustButtonClick(f.BlockAdjustButton), toolkit::EConvertError);
  EXPECT_EQ(f.Edit2->Text(), amount);
}

TEST(RangeEntryTest, TypingAMinusSignAloneBringsUpTheBoxFirst) {
  Window w(Window::Machine({DriveWith(359775)}));
  TForm1& f = *w.form;
  f.Edit1->SetText("5");
  f.Edit1->PostTyping("\b-7");  // erase, then "-", then "-7"
  for (int i = 0; i < 3; ++i) w.app().ProcessMessages();
  const auto boxes = w.host().MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "'' is not a valid integer value");
  EXPECT_EQ(boxes[1].text, "'-' is not a valid integer value");
  EXPECT_EQ(f.Edit1->Text(), "0");
  EXPECT_EQ(f.StartAddressMSF->Caption(), "00:02:00");
}

TEST(RangeEntryTest, AdjustButtons) {
  const LONG c = 359775;
  Window w(Window::Machine({DriveWith(c)}));
  w.Tick();
  TForm1& f = *w.form;
  auto type = [&](toolkit::TEdit* e, const std::string& t) {
    e->PostText(t);
    w.app().ProcessMessages();
  };
  auto click = [&](toolkit::TControl* b) {
    b->PostClick();
    w.app().ProcessMessages();
  };

  type(f.Edit1, std::to_string(c + 1));
  EXPECT_TRUE(f.StartAdjustButton->Visible());
  EXPECT_TRUE(f.StartAdjustButton->Enabled());
  EXPECT_TRUE(f.BlockAdjustButton->Visible());
  click(f.StartAdjustButton);
  EXPECT_EQ(f.Edit1->Text(), std::to_string(c - 10002));
  EXPECT_FALSE(f.StartAdjustButton->Visible());
  EXPECT_FALSE(f.BlockAdjustButton->Visible());

  const LONG s = c - 5000;
  type(f.Edit1, std::to_string(s));
  EXPECT_FALSE(f.StartAdjustButton->Visible());
  EXPECT_TRUE(f.BlockAdjustButton->Visible());
  click(f.BlockAdjustButton);
  EXPECT_EQ(f.Edit2->Text(), std::to_string(c - 2 - s));
  EXPECT_FALSE(f.BlockAdjustButton->Visible());

  // From start 0 the amount goes back to 10000.
  type(f.Edit1, "0");
  type(f.Edit2, "400000");
  ASSERT_TRUE(f.BlockAdjustButton->Visible());
  click(f.BlockAdjustButton);
  EXPECT_EQ(f.Edit2->Text(), "10000");

  // A start past the lead-out: no amount fits, the amount becomes 0.
  type(f.Edit1, std::to_string(c + 100));
  click(f.BlockAdjustButton);
  EXPECT_EQ(f.Edit2->Text(), "0");

  // Huge values stay past the capacity instead of wrapping negative.
  type(f.Edit1, "2147483000");
  type(f.Edit2, "2147483000");
  EXPECT_TRUE(f.BlockAdjustButton->Visible());
}

// The adjust buttons appear only for a range that ends past the capacity: a start equal to
// it, or a start + amount equal to it, is still inside.
TEST(RangeEntryTest, RangeEndingAtTheCapacityNeedsNoAdjusting) {
  const LONG c = 300000;
  Window w(Window::Machine({DriveWith(c)}));
  w.Tick();
  TForm1& f = *w.form;
  const struct {
    LONG start, amount;
    bool startPast, rangePast;
    const char* adjustedAmount;  // Edit2 after a click on the block adjust button
  } cases[] = {
      {c, 0, false, false, "0"},
      {c + 1, 0, true, true, "0"},
      {c - 10000, 10000, false, false, "10000"},
      {c - 10000, 10001, false, true, "10000"},
      {c - 9999, 10000, false, true, "9997"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.start) + " + " + std::to_string(k.amount));
    f.Edit1->PostText(std::to_string(k.start));
    f.Edit2->PostText(std::to_string(k.amount));
    w.app().ProcessMessages();
    EXPECT_EQ(f.StartAdjustButton->Visible(), k.startPast);
    EXPECT_EQ(f.BlockAdjustButton->Visible(), k.rangePast);
    f.BlockAdjustButtonClick(f.BlockAdjustButton);
    EXPECT_EQ(f.Edit2->Text(), k.adjustedAmount);
  }
}

TEST(RangeEntryTest, BeforeAnyTocEveryPositiveStartShowsBothButtons) {
  Window w(Window::Machine({DriveWith(359775)}));
  TForm1& f = *w.form;
  f.Edit1->PostText("1");
  w.app().ProcessMessages();
  EXPECT_TRUE(f.StartAdjustButton->Visible());
  EXPECT_TRUE(f.BlockAdjustButton->Visible());

  f.StartAdjustButton->PostClick();
  w.app().ProcessMessages();
  EXPECT_EQ(f.Edit1->Text(), "0");  // 0 - 10002 is negative
}

// Replaces the answer to READ TOC.
void AnswerToc(TestDrive& d,
               std::function<bool(sim::ScsiReply&, std::uint8_t*, std::uint32_t)> fn) {
  d.hook = [fn](const sim::ScsiRequest& r, sim::ScsiReply& reply) {
    if (r.cdb[0] != 0x43) return false;
    return fn(reply, r.data, r.dataLength);
  };
}

TEST(RangeEntryTest, TocThatCannotBeReadIsRetriedAtTheNextPoll) {
  auto d = DriveWith(300000);
  Window w(Window::Machine({d}));
  int attempts = 0;
  AnswerToc(*d, [&](sim::ScsiReply& reply, std::uint8_t*, std::uint32_t) {
    ++attempts;
    reply = TestDrive::Check(0x03, 0x02, 0x00);
    return true;
  });
  w.Tick();
  EXPECT_EQ(w.form->CDSize->Caption(), "TOC couldn't be read");
  EXPECT_EQ(attempts, 3);
  EXPECT_EQ(w.form->CapacityShown, 0);
  EXPECT_EQ(w.form->RecordedCapacity, 0);
  d->hook = nullptr;
  w.Tick();
  EXPECT_EQ(w.form->CDSize->Caption(), "CD Recorded Capacity = 300000    (66:42:00)");
}

TEST(RangeEntryTest, TocWithoutALeadOutChangesNothingAndIsNotRepeated) {
  auto d = DriveWith(300000);
  Window w(Window::Machine({d}));
  int reads = 0;
  AnswerToc(*d, [&](sim::ScsiReply& reply, std::uint8_t* data, std::uint32_t length) {
    ++reads;
    const std::uint8_t toc[12] = {0x00, 0x0A, 1, 1, 0, 0x14, 1, 0, 0, 0, 0, 0};  // track 1
    std::memcpy(data, toc, std::min<std::uint32_t>(length, sizeof toc));
    reply = sim::ScsiReply{};
    reply.transferred = sizeof toc;
    return true;
  });
  w.Tick();
  w.Tick();
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(w.form->CapacityShown, 1);
  EXPECT_EQ(w.form->CDSize->Caption(), "CD");
  EXPECT_EQ(w.form->Edit1->Text(), "300000");
  EXPECT_EQ(w.form->StartAddressMSF->Caption(), "66:42:00");  // the fields were echoed
}

TEST(RangeEntryTest, TocLengthBeyondTheBufferStaysInsideIt) {
  auto d = DriveWith(300000);
  Window w(Window::Machine({d}));
  AnswerToc(*d, [&](sim::ScsiReply& reply, std::uint8_t* data, std::uint32_t length) {
    // A reply filling the whole buffer with track-1 descriptors, its length field claiming
    // 65535 bytes, and a lead-out descriptor in the very last slot.
    std::memset(data, 0, length);
    data[0] = 0xFF;
    data[1] = 0xFF;
    for (std::uint32_t off = 4; off + 8 <= length; off += 8) data[off + 2] = 1;
    const std::uint32_t last = 4 + ((length - 4) / 8 - 1) * 8;
    data[last + 2] = 0xAA;
    data[last + 6] = 0x12;  // 0x1234 = 4660
    data[last + 7] = 0x34;
    reply = sim::ScsiReply{};
    reply.transferred = length;
    return true;
  });
  w.Tick();
  EXPECT_EQ(w.form->RecordedCapacity, 4660);
  EXPECT_EQ(w.form->CDSize->Caption(), "CD Recorded Capacity = 4660    (01:04:10)");
}

// A lead-out no CD can have (negative, or past 99:59:74) reads as a TOC that could not be
// read: nothing lands in the fields, no stop box.
TEST(RangeEntryTest, LeadOutNoCdCanHaveReadsAsUnreadableToc) {
  const struct {
    std::uint32_t leadOut;
    const char* caption;
  } cases[] = {
      {0x80000000u, "TOC couldn't be read"},
      {0xFFFFFFFEu, "TOC couldn't be read"},
      {0x7FFFFFFFu, "TOC couldn't be read"},
      {449850, "TOC couldn't be read"},
      {449849, "CD Recorded Capacity = 449849    (99:59:74)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.leadOut);
    auto d = DriveWith(300000);
    Window w(Window::Machine({d}));
    AnswerToc(*d, [&](sim::ScsiReply& reply, std::uint8_t* data, std::uint32_t length) {
      const std::uint8_t toc[12] = {0x00,
                                    0x0A,
                                    1,
                                    1,
                                    0,
                                    0x14,
                                    0xAA,
                                    0,
                                    static_cast<std::uint8_t>(c.leadOut >> 24),
                                    static_cast<std::uint8_t>(c.leadOut >> 16),
                                    static_cast<std::uint8_t>(c.leadOut >> 8),
                                    static_cast<std::uint8_t>(c.leadOut)};
      std::memcpy(data, toc, std::min<std::uint32_t>(length, sizeof toc));
      reply = sim::ScsiReply{};
      reply.transferred = sizeof toc;
      return true;
    });
    w.Tick();
    EXPECT_EQ(w.form->CDSize->Caption(), c.caption);
    EXPECT_TRUE(w.host().MessageBoxes().empty());
    EXPECT_NO_THROW(toolkit::StrToInt(w.form->Edit2->Text()));
  }
}

}  // namespace
