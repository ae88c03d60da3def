package tarvo;

import java.util.ArrayList;
import java.util.List;
import java.util.function.Consumer;
import java.util.logging.Handler;
import java.util.logging.Level;
import java.util.logging.LogRecord;
import java.util.logging.Logger;

/**
 * What a call that succeeds logged reaches the logger "tarvo" as WARNING records, one per entry (a notice
 * repeated over nodes is one, counted), from the calling thread; a clean call and a failing call give none,
 * the failing call's exception starting with its cause.
 */
public class WarningsTest {
    private static final String XMLBIF_PERCENT = String.join("\n",
            "<?xml version=\"1.0\"?>",
            "<BIF VERSION=\"0.3\"><NETWORK><NAME>Percent</NAME>",
            "<VARIABLE TYPE=\"nature\"><NAME>imp1</NAME><OUTCOME>lo</OUTCOME><OUTCOME>hi</OUTCOME></VARIABLE>",
            "<DEFINITION><FOR>imp1</FOR><TABLE>78 22</TABLE></DEFINITION>",
            "</NETWORK></BIF>", "");

    private static final String NETICA_NODESET = String.join("\n",
            "// ~->[DNET-1]->~",
            "bnet Skill {",
            "node Theta { kind = NATURE; discrete = TRUE; states = (Low, High); parents = (); probs = (0.4, 0.6); };",
            "NodeSet ReportingVars {Nodes = (Theta);};",
            "};", "");

    /** The records that the call gives on the logger "tarvo", each checked to be a WARNING of this thread. */
    private static List<String> warnings(Consumer<Network> call) {
        Logger logger = Logger.getLogger("tarvo");
        List<LogRecord> records = new ArrayList<>();
        Handler handler = new Handler() {
            @Override
            public void publish(LogRecord record) {
                records.add(record);
            }

            @Override
            public void flush() {
            }

            @Override
            public void close() {
            }
        };
        Network net = new Network();
        logger.addHandler(handler);
        try {
            call.accept(net);
        } finally {
            logger.removeHandler(handler);
            net.dispose();
        }
        List<String> texts = new ArrayList<>();
        for (LogRecord record : records) {
            Check.equal(Level.WARNING, record.getLevel());
            Check.equal(Thread.currentThread().getId(), record.getLongThreadID());
            texts.add(record.getMessage());
        }
        return texts;
    }

    private static void warns(String expected, Consumer<Network> call) {
        List<String> texts = warnings(call);
        Check.isTrue(texts.contains(expected), "expected <" + expected + "> among " + texts);
    }

    private static final String PERCENT_WARNING = "ReadFile: [-2] %sERROR: Node [imp1] : every "
            + "distribution of its table sums to 100, scaled to sum to 1";

    public void testWarningsOfACallThatSucceeds() {
        String percent = Fixtures.writeTemp(".xml03", XMLBIF_PERCENT);
        warns(String.format(PERCENT_WARNING, Fixtures.atLine(4, percent)), n -> n.readFile(percent));
        String nodeSet = Fixtures.writeTemp(".dne", NETICA_NODESET);
        warns("ReadFile: [-127] " + Fixtures.atLine(4, nodeSet) + "ERROR: 'NodeSet' : Net Statement of no node "
                + "content, skipped", n -> n.readFile(nodeSet));
        warns("UpdateBeliefs: [-5] Warning: the equation of node y has more than one solution for node x; the "
                + "evidence is explained through one of them only.", n -> {
                    n.setNodeEquation(n.addNode(0x4, "x"), "x = Normal(0, 1)");
                    n.setNodeEquation(n.addNode(0x4, "y"), "y = x^2");
                    n.setContEvidence("y", 4.0);
                    n.updateBeliefs();
                });
    }

    /** A smaller slice count drops the evidence of the slices it leaves out, naming the nodes. */
    public void testEvidenceOfSlicesLeftOutIsNamed() {
        Check.equal(List.of("SetSliceCount: [-4] the evidence of node [X] in slice 2 and after is dropped: the network now has 2 "
                + "slices"), warnings(n -> {
                    int x = n.addNode(0x12, "X");
                    n.setNodeTemporalType(x, 3);
                    n.setSliceCount(5);
                    n.setTemporalEvidence(x, 3, 0);
                    n.setSliceCount(4);
                    n.setSliceCount(2);
                    Check.isTrue(!n.isTemporalEvidence(x, 3), "dropped");
                }));
    }

    /** A column off 1 is used scaled to sum to 1, and the update names the node. */
    public void testColumnsOffOneAreUsedScaled() {
        String inconsistent = "UpdateBeliefs: [-568] ERROR: Node [%s] is not consistent. Inference may not be "
                + "correct: its table's column 0 (sum %s) does not sum to 1 and is used scaled to sum to 1";
        Check.equal(List.of(String.format(inconsistent, "A", "1.1")), warnings(n -> {
            n.addNode(0x12, "A");
            n.setNodeDefinition("A", new double[] {0.5, 0.6});
            n.updateBeliefs();
            Fixtures.near(new double[] {0.5 / 1.1, 0.6 / 1.1}, n.getNodeValue("A"), "A");
            Check.equal(0.6, n.getNodeDefinition("A")[1]);
        }));
        // A removed outcome means "given it does not occur": the one left is certain.
        Check.equal(List.of(String.format(inconsistent, "Smoker", "0.5")), warnings(n -> {
            n.readFile(Fixtures.writeTemp(".vrx", Fixtures.ASIA));
            n.addOutcome("Smoker", "maybe");
            n.deleteOutcome("Smoker", 0);
            n.updateBeliefs();
            Fixtures.near(new double[] {1, 0}, n.getNodeValue("Smoker"), "Smoker");
            Fixtures.near(new double[] {0.01, 0.99}, n.getNodeValue("LungCancer"), "LungCancer");
        }));
    }

    /**
     * A column of zeros is used as uniform, one of a positive sum however small is scaled, and the update
     * names node and column.
     */
    public void testAColumnOfZerosIsUsedAsUniform() {
        String zeros = "UpdateBeliefs: [-568] ERROR: Node [%s] is not consistent. Inference may not be correct: "
                + "its table's column %d is all zero, used as uniform";
        Check.equal(List.of("UpdateBeliefs: [-568] ERROR: Node [A] is not consistent. Inference may not be correct: "
                + "its table's column 0 (sum 9.999888672e-321) does not sum to 1 and is used scaled to sum to 1"),
                warnings(n -> {
                    n.addNode(0x12, "A");
                    n.setNodeDefinition("A", new double[] {1e-320, 0});
                    n.updateBeliefs();
                    Fixtures.near(new double[] {1, 0}, n.getNodeValue("A"), "A");
                    Check.equal(1e-320, n.getNodeDefinition("A")[0]);
                }));
        // B's column under A = a1 may occur: B is uniform there, and certain of b0 otherwise.
        Check.equal(List.of(String.format(zeros, "B", 1)), warnings(n -> {
            n.addNode(0x12, "A");
            n.addNode(0x12, "B");
            n.addArc("A", "B");
            n.setNodeDefinition("B", new double[] {1, 0, 0, 0});
            n.updateBeliefs();
            Fixtures.near(new double[] {0.75, 0.25}, n.getNodeValue("B"), "B");
        }));
    }

    /** A native that runs many updates (a diagnosis session) reports a column off 1 once, its cause first. */
    public void testANativeOfManyUpdatesReportsOncePerNode() {
        String inconsistent = "%s: [-568] ERROR: Node [Smoker] is not consistent. Inference may not be correct: "
                + "its table's column 0 (sum 1.1) does not sum to 1 and is used scaled to sum to 1";
        Network net = new Network();
        try {
            net.readFile(Fixtures.writeTemp(".vrx", Fixtures.ASIA));
            net.setNodeDefinition("Smoker", new double[] {0.5, 0.6});
            List<String> failure = new ArrayList<>();
            Check.equal(List.of(String.format(inconsistent, "SetNetwork")), warnings(n -> {
                DiagNetwork session = new DiagNetwork(net);
                try {
                    failure.add(Check.raises(TARVOException.class, () -> session.update(0)).getMessage());
                } finally {
                    session.dispose();
                }
            }));
            Check.isTrue(failure.get(0).startsWith("TARVO error -2 in function ComputeTestStrengths. Logged "
                    + "information: No fault is pursued"), failure.get(0));
        } finally {
            net.dispose();
        }
    }

    /** A Hugin network of n nodes whose outcomes "0" "1" "2" are no identifiers, then the rest of the file. */
    private static String huginWithNumberOutcomes(int n, String rest) {
        StringBuilder text = new StringBuilder("net\n{\n  HR_Desc = \"\";\n}\n");
        for (int i = 0; i < n; i++) {
            text.append("node n").append(i).append("\n{\n  states = (\"0\" \"1\" \"2\");\n}\n");
            text.append("potential (n").append(i).append(") { data = (0.2 0.3 0.5); }\n");
        }
        return text.append(rest).toString();
    }

    public void testANoticeRepeatedOverNodesIsOneRecordWithItsCount() {
        String path = Fixtures.writeTemp(".net", huginWithNumberOutcomes(60, ""));
        Check.equal(List.of("ReadFile: [-127] " + Fixtures.atLine(3, path) + "ERROR: 'HR_Desc' : Unknown Net Statement",
                "ReadFile: [-2] outcome names that are not identifiers were rewritten in 60 nodes (180 outcomes), "
                        + "e.g. Node [n0] \"0\" renamed \"x0\", Node [n0] \"1\" renamed \"x1\", Node [n0] \"2\" "
                        + "renamed \"x2\", …"),
                warnings(n -> n.readFile(path)));
    }

    public void testAFailedReadGivesItsCauseFirst() {
        String path = Fixtures.writeTemp(".net", huginWithNumberOutcomes(2, "node a.b\n{\n}\n"));
        Network net = new Network();
        try {
            TARVOException e = Check.raises(TARVOException.class, () -> net.readFile(path));
            Check.equal("TARVO error -127 in function ReadFile. Logged information: " + Fixtures.atLine(15, path)
                    + "ERROR: Identifier [a.b] : '.' is not allowed in an identifier; node refused\n"
                    + Fixtures.atLine(3, path) + "ERROR: 'HR_Desc' : Unknown Net Statement\noutcome names that are not "
                    + "identifiers were rewritten in 2 nodes (6 outcomes), e.g. Node [n0] \"0\" renamed \"x0\", "
                    + "Node [n0] \"1\" renamed \"x1\", Node [n0] \"2\" renamed \"x2\", …\n", e.getMessage());
        } finally {
            net.dispose();
        }
    }

    public void testACleanCallAndAFailingCallGiveNone() {
        Check.equal(List.of(), warnings(n -> {
            n.readFile(Fixtures.writeTemp(".vrx", Fixtures.ASIA));
            n.setEvidence("XRay", "yes");
            n.updateBeliefs();
        }));
        Check.equal(List.of(), warnings(n -> Check.raises(TARVOException.class, () -> {
            n.readFile(Fixtures.writeTemp(".xml03", XMLBIF_PERCENT.replace("78 22", "78 -22")));
        })));
    }
}
