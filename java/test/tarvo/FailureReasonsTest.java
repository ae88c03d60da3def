package tarvo;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Arrays;
import java.util.function.Consumer;
import java.util.function.Function;
import tarvo.learning.DataMatch;
import tarvo.learning.DataSet;
import tarvo.learning.EM;
import tarvo.learning.GreedyThickThinning;
import tarvo.learning.NaiveBayes;

/** Every refusal names its cause, and a failure reports what its own call logged and nothing older. */
public class FailureReasonsTest {
    private static final String LOGGED = ". Logged information: ";

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** A refusal on a network of nodes A and B, a DeMorgan node D under D0, and submodel S. */
    private static void refusal(String expected, Consumer<Network> call) {
        Network net = new Network();
        try {
            net.addNode(0x12, "A");
            net.addNode(0x12, "B");
            net.addArc(net.addNode(0x52, "D0"), net.addNode(0x52, "D"));
            net.addSubmodel(net.getMainSubmodel(), "S");
            Check.equal(expected, message(() -> call.accept(net)));
        } finally {
            net.dispose();
        }
    }

    /** Evidence of probability zero is refused naming the findings the caller gave, by every call that uses it. */
    public void testImpossibleEvidenceNamesTheFindings() {
        String impossible = LOGGED + "Evidence is impossible: ";
        // B and C each possible, together not; c1 = c0 where c0 is never 1.
        Object[][] rows = {
            {"TARVO error -26 in function AnnealedMAP" + impossible + "the finding on [C] has probability zero given "
                    + "the evidence on [B], so no beliefs can be computed.\n",
                    (Consumer<Network>) n -> n.annealedMap(new String[] {"A"}, null)},
            {"TARVO error -26 in function UpdateBeliefs" + impossible + "its probability is zero given the evidence on "
                    + "[B], [C], so no beliefs can be computed.\n", (Consumer<Network>) Network::updateBeliefs},
            {"TARVO error -26 in function UpdateBeliefs" + impossible + "it has probability zero at node [c0], given "
                    + "the evidence on [c1].\n", (Consumer<Network>) n -> {
                        n.clearAllEvidence();
                        n.setNodeDefinition(n.addNode(0x12, "c0"), new double[] {1, 0});
                        n.addNode(0x12, "c1");
                        n.addArc("c0", "c1");
                        n.setNodeDefinition("c1", new double[] {1, 0, 0, 1});
                        n.setEvidence("c1", 1);
                        n.updateBeliefs();
                    }},
        };
        for (Object[] row : rows) {
            Network net = Fixtures.read(Fixtures.EXCLUSIVE);
            try {
                net.setEvidence("B", 0);
                net.setEvidence("C", 0);
                @SuppressWarnings("unchecked")
                Consumer<Network> call = (Consumer<Network>) row[1];
                Check.equal(row[0], message(() -> call.accept(net)));
            } finally {
                net.dispose();
            }
        }
    }

    public void testEveryRefusalNamesItsCause() {
        String taken = " is already used by a node\n";
        refusal("TARVO error -30 in function SetId" + LOGGED + "Identifier [A]" + taken, n -> n.setNodeId("B", "A"));
        refusal("TARVO error -30 in function SetId" + LOGGED + "Identifier [S] is already used by a submodel\n",
                n -> n.setNodeId("B", "S"));
        refusal("TARVO error -2 in function AddNode" + LOGGED + "Identifier [B]" + taken, n -> n.addNode(0x12, "B"));
        refusal("TARVO error -2 in function AddNode" + LOGGED + "Unknown node type code: 7\n",
                n -> n.addNode(7, "C"));
        refusal("TARVO error -2 in function setNodeType" + LOGGED + "Unknown node type code: 9999\n",
                n -> n.setNodeType("A", 9999));
        refusal("TARVO error -2 in function CreateSubmodel" + LOGGED + "Identifier [A]" + taken,
                n -> n.addSubmodel(n.getMainSubmodel(), "A"));
        refusal("TARVO error -32 in function SetId" + LOGGED + "Identifier [A]" + taken,
                n -> n.setSubmodelId(n.getSubmodel("S"), "A"));
        refusal("TARVO error -2 in function SetParentWeight" + LOGGED
                + "ERROR: Node [D] : parent weight 1.5 is outside [0, 1]\n", n -> n.setDeMorganParentWeight("D", 0, 1.5));
        refusal("TARVO error -2 in function SetParentWeight" + LOGGED
                + "ERROR: Node [D] : parent index 1 is outside 0..0 of its 1 parent\n",
                n -> n.setDeMorganParentWeight("D", 1, 0.5));
        String node = " in function AddArc" + LOGGED + "ERROR: Node ";
        refusal("TARVO error -2" + node + "[A] : a node cannot be its own parent\n", n -> n.addArc("A", "A"));
        refusal("TARVO error -2" + node + "[A] : a node cannot be its own parent\n", n -> n.addCostArc("A", "A"));
        refusal("TARVO error -2" + node + "[D] : an arc already joins it and [D0]\n", n -> n.addArc("D0", "D"));
        refusal("TARVO error -2" + node + "[A] : an arc from [S1] would close a cycle\n", n -> {
            n.addArc("A", "B");
            n.addArc(n.getNode("B"), n.addNode(0x12, "S1"));
            n.addArc("S1", "A");
        });
        refusal("TARVO error -2 in function RemoveArc" + LOGGED + "ERROR: Node [B] : [A] is not one of its parents\n",
                n -> n.deleteArc("A", "B"));
        refusal("TARVO error -2 in function RenameOutcome" + LOGGED
                + "ERROR: Node [A] : outcome identifier [State0] is already used by outcome 0\n",
                n -> n.setOutcomeId("A", 1, "State0"));
        refusal("TARVO error -2 in function RemoveOutcome" + LOGGED + "ERROR: Node [A] : it keeps at least two "
                + "outcomes\n",
                n -> n.deleteOutcome("A", 0));
        refusal("TARVO error -2 in function InsertOutcome" + LOGGED + "ERROR: Node [A] : position 5 is outside 0..2\n",
                n -> n.insertOutcome("A", 5, "x"));
        refusal("TARVO error -51 in function RemoveOutcome" + LOGGED + "ERROR: Node [D] : it keeps at least two "
                + "outcomes\n", n -> n.deleteOutcome("D", 0));
        refusal("TARVO error -51 in function AddOutcome" + LOGGED + "ERROR: Node [D] : a DeMorgan node has the two "
                + "fixed outcomes True and False\n", n -> n.addOutcome("D", "x"));
        refusal("TARVO error -51 in function InsertOutcome" + LOGGED + "ERROR: Node [C] : a cast node has the two "
                + "fixed outcomes True and False\n", n -> n.insertOutcome(n.addNode(0x32, "C"), 0, "x"));
        refusal("TARVO error -51 in function SetDefinition" + LOGGED + "ERROR: Node [D] : the table of a DeMorgan node "
                + "is computed from its prior belief and its parents' weights and types (setDeMorganPriorBelief, "
                + "setDeMorganParentWeight, setDeMorganParentType), and only that table is taken back; to set "
                + "another, change the node's kind to 18 (setNodeType) first\n",
                n -> n.setNodeDefinition("D", new double[] {0.3, 0.7, 0.6, 0.4}));
        refusal("TARVO error -51 in function SetDefinition" + LOGGED + "ERROR: Node [T] : column 0 of the table is not "
                + "one 1 and zeros: a deterministic node keeps one resulting outcome per column (set them with "
                + "SetResultingStates, or as columns of one 1 and zeros); a table of probabilities needs a chance node\n",
                n -> n.setNodeDefinition(n.addNode(0x14, "T"), new double[] {0.3, 0.7}));
        refusal("TARVO error -2 in function SetDefinition" + LOGGED + "ERROR: Node [A] : -0.5 is no probability\n",
                n -> n.setNodeDefinition("A", new double[] {1.5, -0.5}));
        refusal("TARVO error -103 in function ReadFile" + LOGGED
                + "OPEN FILE FAILED: /nonexistent/net.vrx: No such file or directory\n",
                n -> n.readFile("/nonexistent/net.vrx"));
        refusal("TARVO error -103 in function ReadFile" + LOGGED + "Error at 0, 0 while loading /nonexistent/net.xvrx: "
                + "Can't open file /nonexistent/net.xvrx: No such file or directory\n",
                n -> n.readFile("/nonexistent/net.xvrx"));
        refusal("TARVO error -2 in function AnnealedMAP" + LOGGED
                + "Annealed MAP needs at least one node to find the outcomes of\n", n -> n.annealedMap(new int[0], null));
        refusal("TARVO error -1 in function CalcPropEvidence" + LOGGED + "The probability of evidence is not defined "
                + "on an influence diagram: its decision and utility nodes are no random variables\n", n -> {
                    n.addNode(0x11, "X");
                    n.probEvidence();
                });
        refusal("TARVO error -103 in function WriteFile" + LOGGED
                + "OPEN FILE FAILED: /nonexistent/net.xvrx: No such file or directory\n",
                n -> n.writeFile("/nonexistent/net.xvrx"));
        // The own text format keeps no slices: a node placed in them is refused before the file is made.
        refusal("TARVO error -2 in function WriteFile" + LOGGED
                + "ERROR: Node [A] : its temporal type 1 (anchor) cannot be saved in the vrx format\n", n -> {
                    n.setNodeTemporalType("A", 1);
                    n.writeFile("/nonexistent/net.vrx");
                });
        refusal("TARVO error -4 in function setNodeTemporalType" + LOGGED
                + "ERROR: Node [A] : temporal type 9 is none of 0 (normal), 1 (anchor), 2 (terminal), 3 (plate)\n",
                n -> n.setNodeTemporalType("A", 9));
        refusal("TARVO error -2 in function setNodeTemporalType" + LOGGED
                + "ERROR: Node [A] : the children of a plate node are plate or terminal, and its child [B] is normal\n",
                n -> {
                    n.addArc("A", "B");
                    n.setNodeTemporalType("A", 3);
                });
        refusal("TARVO error -2 in function SetTemporalEvidence" + LOGGED
                + "ERROR: Node [A] : slice 20 is outside 0..9\n", n -> {
                    n.setNodeTemporalType("A", 3);
                    n.setTemporalEvidence("A", 20, 0);
                });
        refusal("TARVO error -51 in function SetTemporalEvidence" + LOGGED
                + "ERROR: Node [A] : only a plate node takes evidence in a slice after the first\n",
                n -> n.setTemporalEvidence("A", 2, 0));
        refusal("TARVO error -2 in function setNodeTemporalType" + LOGGED
                + "ERROR: Node [B] : the parents of a normal node are normal or anchor, and its parent [A] is plate\n",
                n -> {
                    n.addArc("A", "B");
                    n.setNodeTemporalType("B", 3);
                    n.setNodeTemporalType("A", 3);
                    n.setNodeTemporalType("B", 0);
                });
    }

    public void testAnEmptyFileIsNamed() throws java.io.IOException {
        for (String extension : new String[] {"net", "vrx", "dne", "xml03"}) {
            java.io.File empty = java.io.File.createTempFile("empty", "." + extension);
            try {
                refusal("TARVO error -102 in function ReadFile" + LOGGED + "ERROR: file " + empty.getPath()
                        + " is empty\n", n -> n.readFile(empty.getPath()));
            } finally {
                Check.isTrue(empty.delete(), "deleted");
            }
        }
    }

    public void testValueOfInformationAndDataSetNameTheirCause() {
        Network net = new Network();
        ValueOfInfo voi = new ValueOfInfo(net);
        DataSet data = new DataSet();
        try {
            Check.equal("TARVO error -568 in function Update" + LOGGED + "Value of information needs a decision "
                    + "(setDecision) and nodes that still exist: the decision, the point of view or an observed node "
                    + "is missing\n", message(voi::update));
            data.addIntVariable("a", -1);
            Check.equal("TARVO error -32 in function addFloatVariable" + LOGGED
                    + "Variable [a] already exists in the data set\n", message(() -> data.addFloatVariable("a", 0f)));
        } finally {
            data.dispose();
            voi.dispose();
            net.dispose();
        }
    }

    public void testAFailureShowsNothingOfAnEarlierOne() {
        Network first = new Network();
        Network second = Fixtures.read(Fixtures.RAIN);
        try {
            int e = first.addNode(0x4, "E");
            Check.equal("Invalid equation, error at position 4: Unknown node identifier: Z",
                    message(() -> first.setNodeEquation(e, "E = Z * 2")));
            Check.equal("TARVO error -30 in function SetId" + LOGGED + "Identifier [Rain] is already used by a node\n",
                    message(() -> second.setNodeId("WetGrass", "Rain")));
            // A call that succeeds after logging leaves nothing behind for the next failure either.
            first.setNodeId(e, "F");
            Check.equal("TARVO error -2 in function RemoveArc" + LOGGED
                    + "ERROR: Node [Rain] : [WetGrass] is not one of its parents\n",
                    message(() -> second.deleteArc("WetGrass", "Rain")));
        } finally {
            first.dispose();
            second.dispose();
        }
    }

    public void testADisposedNetworkIsNamedBeforeItsArguments() throws ReflectiveOperationException {
        Network net = new Network();
        net.dispose();
        for (Method method : Network.class.getDeclaredMethods()) {
            if (!Modifier.isPublic(method.getModifiers()) || Modifier.isStatic(method.getModifiers())
                    || method.getName().equals("dispose")) {
                continue;
            }
            Class<?>[] types = method.getParameterTypes();
            Object[] arguments = new Object[types.length];
            for (int i = 0; i < types.length; i++) {
                arguments[i] = types[i] == int.class ? (Object) (-1) : types[i] == double.class ? (Object) 0.5
                        : types[i] == boolean.class ? (Object) true : null;
            }
            try {
                method.invoke(net, arguments);
                throw new AssertionError(method + " ran on a disposed network");
            } catch (InvocationTargetException e) {
                Check.equal(method + ": Object already disposed of", method + ": " + e.getCause().getMessage());
            }
        }
    }

    public void testADisposedObjectIsNamedBeforeItsArguments() {
        EM em = new EM();
        em.dispose();
        Check.equal("Object already disposed of", message(() -> em.learn(null, null, null, new String[] {"X"})));
        Check.equal("Object already disposed of", message(() -> em.learn(null, null, null, (int[]) null)));
        Network net = new Network();
        ValueOfInfo voi = new ValueOfInfo(net);
        try {
            voi.dispose();
            Check.equal("Object already disposed of", message(() -> voi.addNode((String) null)));
        } finally {
            net.dispose();
        }
    }

    public void testEmNamesTheNodeToPassAsFixed() {
        Network asia = Fixtures.read(Fixtures.ASIA);
        DataSet data = new DataSet();
        EM em = new EM();
        try {
            data.addIntVariable("XRay", -1);
            data.setStateNames(0, new String[] {"yes", "no"});
            data.addEmptyRecord();
            DataMatch[] matches = data.matchNetwork(asia);
            Check.equal("TARVO error -4 in function Learn" + LOGGED
                    + "em: node [TbOrCancer] is deterministic: such nodes must be passed as fixed nodes\n"
                    + "em: network and dataset do not match\n",
                    message(() -> em.learn(data, asia, matches, new int[0])));
            em.learn(data, asia, matches, new String[] {"TbOrCancer"});
        } finally {
            em.dispose();
            data.dispose();
            asia.dispose();
        }
    }

    /** The data set's fault as greedy thick thinning and naive Bayes report it. */
    private static void dataFault(String fault, int records, Function<DataSet, Object> fill) {
        DataSet data = new DataSet();
        GreedyThickThinning gtt = new GreedyThickThinning();
        NaiveBayes nb = new NaiveBayes();
        try {
            data.addIntVariable("a", -1);
            data.addIntVariable("class", -1);
            for (int r = 0; r < records; r++) {
                data.addEmptyRecord();
                data.setInt(1, r, r % 2);
            }
            fill.apply(data);
            Check.equal("TARVO error -1 in function Learn" + LOGGED + "greedy thick thinning: " + fault + "\n",
                    message(() -> gtt.learn(data)));
            Check.equal("TARVO error -1 in function Learn" + LOGGED + "naive bayes: " + fault + "\n",
                    message(() -> nb.learn(data)));
        } finally {
            nb.dispose();
            gtt.dispose();
            data.dispose();
        }
    }

    public void testLearnersSayWhatIsWrongWithTheData() {
        dataFault("the data set has no records", 0, d -> d);
        dataFault("column [a] has no value in any record and no state names, so its outcomes are unknown", 4,
                d -> d);
        dataFault("column [x] is continuous: only discrete columns can be scored", 4, d -> {
            for (int r = 0; r < 4; r++) {
                d.setInt(0, r, r / 2);
            }
            d.addFloatVariable("x", Float.NaN);
            return d;
        });
    }

    public void testNaiveBayesNamesTheClassWhoseTablesPassTheLimit() {
        DataSet data = new DataSet();
        NaiveBayes nb = new NaiveBayes();
        try {
            int[] states = {100000, 50};
            for (int v = 0; v < 2; v++) {
                data.addIntVariable(v == 0 ? "class" : "f", -1);
                String[] names = new String[states[v]];
                Arrays.setAll(names, i -> "s" + i);
                data.setStateNames(v, names);
            }
            data.addEmptyRecord();
            Check.equal("TARVO error -1 in function Learn" + LOGGED + "naive bayes: the class [class] has 100000 "
                    + "states: the table of [f] (50 states) given it would have 5000000 cells, more than the limit "
                    + "of 4194304\n", message(() -> nb.learn(data)));
        } finally {
            nb.dispose();
            data.dispose();
        }
    }
}
