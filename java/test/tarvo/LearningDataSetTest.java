package tarvo;

import java.util.Arrays;
import tarvo.learning.DataMatch;
import tarvo.learning.DataSet;

/** The DataSet natives: cells and their index checks, state names, data files and matching. */
public class LearningDataSetTest {
    private static final int CPT = 0x12;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testCellsAndIndexTexts() {
        DataSet data = new DataSet();
        try {
            Check.equal("DataSet object has no variables", message(() -> data.getStateNames(0)));
            data.addIntVariable("a", -1);
            data.addFloatVariable("b", Float.NaN);
            Check.equal("DataSet object has no records", message(() -> data.getFloat(0, 0)));
            for (int r = 0; r < 3; r++) {
                data.addEmptyRecord();
            }
            Check.equal(3, data.getRecordCount());
            Check.equal(2, data.getVariableCount());
            Check.equal("Invalid record index 3, valid range is 0..2", message(() -> data.getInt(0, 3)));
            Check.equal("Invalid variable index 5, valid range is 0..1", message(() -> data.getInt(5, -9)));
            Check.equal("Negative variable index", message(() -> data.setInt(-1, 0, 1)));
            Check.equal("Negative record index", message(() -> data.setFloat(1, -1, 1f)));
            Check.equal(-1, data.getInt(0, 2));
            data.setInt(0, 1, 7);
            data.setFloat(1, 2, 2.5f);
            Check.equal(7, data.getInt(0, 1));
            Check.equal(2.5f, data.getFloat(1, 2));
            // A cell of the other kind reads as a Java cast converts it; a write it cannot hold exactly is refused.
            Check.equal(2, data.getInt(1, 2));
            Check.equal(7f, data.getFloat(0, 1));
            data.setFloat(1, 0, -3.75f);
            Check.equal((int) -3.75f, data.getInt(1, 0));
            Check.equal(0, data.getInt(1, 1));
            data.setInt(1, 1, 3);
            Check.equal(3f, data.getFloat(1, 1));
            data.setFloat(0, 2, 4f);
            Check.equal(4, data.getInt(0, 2));
            Check.equal("Variable 0 (a), record 1: the int cell cannot hold 1.5 exactly",
                    message(() -> data.setFloat(0, 1, 1.5f)));
            Check.equal("Variable 1 (b), record 2: the float cell cannot hold 16777217 exactly",
                    message(() -> data.setInt(1, 2, 16777217)));
            Check.equal(7, data.getInt(0, 1));
            Check.equal(2.5f, data.getFloat(1, 2));
            Check.equal("b", data.getVariableId(1));
            Check.equal("State name can't be null (index 2)",
                    message(() -> data.setStateNames(0, new String[] {"x", "y", null})));
            Check.equal(0, data.getStateNames(0).length);
            // Names name every value the cells hold, each once; a refusal keeps the names.
            String refused = "TARVO error %d in function setStateNames. Logged information: %s\n";
            Check.equal(String.format(refused, -2, "2 state names are too few for column [a]: record 1 holds the value 7"),
                    message(() -> data.setStateNames(0, new String[] {"x", "y"})));
            data.setInt(0, 1, 1);
            data.setInt(0, 2, 0);
            Check.equal(String.format(refused, -4, "State name 'x' is given twice for column [a], as states 0 and 2"),
                    message(() -> data.setStateNames(0, new String[] {"x", "y", "x"})));
            Check.equal(0, data.getStateNames(0).length);
            data.setStateNames(0, new String[] {"x", "y"});
            Check.equal(Arrays.asList("x", "y"), Arrays.asList(data.getStateNames(0)));
            Check.equal("Invalid state index 2 for variable 0, valid range is 0..1", message(() -> data.setInt(0, 0, 2)));
            data.setInt(0, 0, 1);
            Check.equal(String.format(refused, -4, "Column [b] is continuous: only discrete columns have state names"),
                    message(() -> data.setStateNames(1, new String[] {"x"})));
            Check.isTrue(message(() -> data.addIntVariable("a", 0))
                    .startsWith("TARVO error -32 in function addIntVariable"), "duplicate name refused");
            Check.isTrue(message(() -> data.addFloatVariable("b", 0f))
                    .startsWith("TARVO error -32 in function addFloatVariable"), "duplicate name refused");
            Check.equal("Invalid variable index 2, valid range is 0..1", message(() -> data.getVariableId(2)));
            Network net = new Network();
            try {
                net.addNode(CPT, "b");
                Check.equal("Dataset column 'b' is continous, but matching node is discrete",
                        message(() -> data.matchNetwork(net)));
            } finally {
                net.dispose();
            }
        } finally {
            data.dispose();
        }
    }

    public void testReadFileAndMatch() {
        String path = Fixtures.writeTemp(".txt", "Rain,Other\nno,-1\nyes,na\nNA,4\n");
        DataSet data = new DataSet();
        Network net = new Network();
        try {
            data.readFile(path, "NA", -1, Float.NaN, true);
            Check.equal(3, data.getRecordCount());
            Check.equal(Arrays.asList("no", "yes"), Arrays.asList(data.getStateNames(0)));
            Check.equal(-1, data.getInt(1, 0));
            Check.equal("No matches found", message(() -> data.matchNetwork(net)));
            int rain = net.addNode(CPT, "Rain");
            net.setOutcomeId(rain, 0, "yes");
            net.setOutcomeId(rain, 1, "no");
            DataMatch[] matches = data.matchNetwork(net);
            Check.equal(1, matches.length);
            Check.equal(0, matches[0].column);
            Check.equal(rain, matches[0].node);
            Check.equal(0, matches[0].slice);
            Check.equal(1, data.getInt(0, 0));
            Check.equal(0, data.getInt(0, 1));
            data.matchNetwork(net);
            Check.equal(1, data.getInt(0, 0));

            net.addOutcome(rain, "heavy");
            String bad = Fixtures.writeTemp(".txt", "Rain\nmaybe\n");
            data.readFile(bad, null, -1, Float.NaN, true);
            Check.equal("Dataset column 'Rain' contains value 'maybe' which doesn't map to any node outcome",
                    message(() -> data.matchNetwork(net)));
            String ragged = Fixtures.writeTemp(".txt", "a,b\n1,2\n3\n");
            Check.equal("Line 3 while loading " + ragged + ": expected 2 columns of data but found 1",
                    message(() -> data.readFile(ragged, null, -1, Float.NaN, true)));
            // The failed read kept the set as it was: one variable Rain, one record.
            Check.equal(1, data.getVariableCount());
            Check.equal(1, data.getRecordCount());
            Check.equal("Can't open data file: /nonexistent/data.txt: No such file or directory",
                    message(() -> data.readFile("/nonexistent/data.txt", "*", -1, 0f, true)));
            Check.equal(1, data.getRecordCount());
            String empty = Fixtures.writeTemp(".txt", "");
            Check.equal("Can't read first line of file: " + empty,
                    message(() -> data.readFile(empty, "*", -1, 0f, true)));
            Check.equal(1, data.getRecordCount());
        } finally {
            data.dispose();
            net.dispose();
        }
    }
}
