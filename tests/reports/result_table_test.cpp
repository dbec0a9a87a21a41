#include "reports/result_table.h"

#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <string>

#include "core/model/not_available.h"

namespace tolven {
namespace {

class ResultTableTest : public ::testing::Test {
protected:
    void addRow(int unit, const std::string& code, int observed, double expected, double ratio,
                double me, double mle) {
        const int row = ++table.rowCount;
        table.ensureRows(row);
        table.unit[row] = unit;
        codes.push_back(code);  // the table only points at its codes
        table.code[row] = codes.back();
        table.observed[row] = observed;
        table.expected[row] = expected;
        table.ratio[row] = ratio;
        table.ebRatioME[row] = me;
        table.ebRatioMLE[row] = mle;
    }

    std::string written() {
        std::string out;
        writeResultTable(out, table, format);
        return out;
    }

    InputTable table;
    std::deque<std::string> codes;
    ResultTableFormat format;
};

TEST_F(ResultTableTest, HeaderFollowsFormatAndZeroHandling) {
    const struct {
        int csv;
        int excludeZero;
        const char* header;
    } cases[] = {
        {0, 0, "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME+0)(%)\tEB-Ratio(MLE)(%)\n"},
        {0, 1, "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME-0)(%)\tEB-Ratio(MLE)(%)\n"},
        {1, 0, "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME+0)(%),EB-Ratio(MLE)(%)\n"},
        {1, 1, "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME-0)(%),EB-Ratio(MLE)(%)\n"},
    };
    for (const auto& c : cases) {
        format.csv = c.csv != 0;
        format.excludeZero = c.excludeZero != 0;
        // No rows: the header alone.
        EXPECT_EQ(written(), c.header);
    }
}

TEST_F(ResultTableTest, MarkersFollowExactNotAvailable) {
    addRow(2, "B01", 2, 1.5, 2.0 / 1.5, NOT_AVAILABLE, 1.25);     // one-region unit
    addRow(1, "A01", 0, 2.0, 0.0, 0.5458895, NOT_AVAILABLE);      // failed fit
    addRow(1, "A02", 8, 7.0, 8.0 / 7.0, 1.0, 1.1);                // both available
    addRow(-1, "C", 1, 10.5, 0.1, -9999.0000001, -9998.9999999);  // near, not equal
    const std::string expectedText =
        "2\tB01\t2\t1.500000\t133.333333\t***\t***\n"
        "1\tA01\t0\t2.000000\t0.000000\t54.588950\t***\n"
        "1\tA02\t8\t7.000000\t114.285714\t100.000000\t110.000000\n"
        "-1\tC\t1\t10.500000\t10.000000\t-999900.000010\t-999899.999990\n";
    format.csv = false;
    EXPECT_EQ(written(),
              "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME+0)(%)\tEB-Ratio(MLE)(%)\n" +
                  expectedText);

    std::string expectedCsv = expectedText;
    for (char& c : expectedCsv) {
        if (c == '\t') c = ',';
    }
    format.csv = true;
    EXPECT_EQ(written(),
              "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME+0)(%),EB-Ratio(MLE)(%)\n" + expectedCsv);
}

TEST_F(ResultTableTest, CodesAreCopiedUnquotedAndNonFiniteValuesAreWords) {
    format.csv = true;
    const std::string shiftJis = "\x93\x8c\x8b\x9e";  // bytes of a Shift-JIS name
    addRow(3, "a,b", 0, 1.0, std::numeric_limits<double>::quiet_NaN(),
           -std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity());
    addRow(3, shiftJis, 1, 1.0, 1.0, -std::numeric_limits<double>::infinity(), 1.0);
    const std::string text = written();
    EXPECT_EQ(text.substr(text.find('\n') + 1),
              "3,a,b,0,1.000000,nan,nan,inf\n"
              "3," +
                  shiftJis + ",1,1.000000,100.000000,-inf,100.000000\n");
}

}  // namespace
}  // namespace tolven
