package tarvo;

/** Natives of dynamic networks: slices, temporal types and arcs, slice evidence, unrolling. */
public class NetworkDynamicTest {
    private static final int CPT = 18;
    private static final int TERMINAL = 2;
    private static final int PLATE = 3;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** Rain -> Umbrella in every slice, Rain -> Rain of order 1. */
    private static Network umbrellaWorld(int slices) {
        Network net = new Network();
        net.addNode(CPT, "Rain");
        net.addNode(CPT, "Umbrella");
        net.addArc("Rain", "Umbrella");
        net.setNodeDefinition("Rain", new double[] {0.5, 0.5});
        net.setNodeDefinition("Umbrella", new double[] {0.9, 0.1, 0.2, 0.8});
        net.setNodeTemporalType("Umbrella", PLATE);
        net.setNodeTemporalType(net.getNode("Rain"), PLATE);
        net.addTemporalArc("Rain", "Rain", 1);
        net.setNodeTemporalDefinition("Rain", 1, new double[] {0.7, 0.3, 0.3, 0.7});
        net.setSliceCount(slices);
        return net;
    }

    public void testSlicesAndTemporalTypes() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            Check.equal(0, net.getSliceCount());
            Check.equal(0, net.getMaxTemporalOrder());
            net.setNodeTemporalType(a, PLATE);
            Check.equal(10, net.getSliceCount());
            Check.equal(PLATE, net.getNodeTemporalType("A"));
            net.setSliceCount(0);
            Check.equal(10, net.getSliceCount());
            Check.equal("TARVO error -4 in function setNodeTemporalType. Logged information: ERROR: Node [A] : "
                    + "temporal type 7 is none of 0 (normal), 1 (anchor), 2 (terminal), 3 (plate)\n",
                    message(() -> net.setNodeTemporalType(a, 7)));
            Check.equal("Invalid node handle: 5", message(() -> net.getNodeTemporalType(5)));
        } finally {
            net.dispose();
        }
    }

    public void testTemporalArcsAndQueries() {
        Network net = umbrellaWorld(4);
        try {
            int rain = net.getNode("Rain");
            Check.equal("Invalid node id: A", message(() -> net.addTemporalArc("B", "A", 1)));
            Check.equal("TARVO error -2 in function AddTemporalArc. Logged information: ERROR: Node [Rain] : a temporal arc "
                    + "has an order of at least 1, not 0\n",
                    message(() -> net.addTemporalArc("Umbrella", "Rain", 0)));
            net.addTemporalArc("Umbrella", "Rain", 2);
            Check.isTrue(net.temporalArcExists("Umbrella", "Rain", 2), "order 2 arc");
            Check.equal("TARVO error -2 in function AddTemporalArc. Logged information: ERROR: Node [Rain] : a temporal arc "
                    + "of order 2 from [Umbrella] is there already\n",
                    message(() -> net.addTemporalArc("Umbrella", "Rain", 2)));
            int normal = net.addNode(CPT, "Normal");
            Check.equal("TARVO error -2 in function AddTemporalArc. Logged information: ERROR: Node [Normal] : [Normal] is "
                    + "not in the temporal plate: temporal arcs join plate nodes\n",
                    message(() -> net.addTemporalArc(rain, normal, 1)));
            // Ordinary arcs keep the temporal types apart, naming both nodes and the rule.
            Check.equal("TARVO error -51 in function AddArc. Logged information: ERROR: Node [Normal] : an arc from plate "
                    + "node [Rain] is refused: the children of a plate node are plate or terminal, not normal\n",
                    message(() -> net.addArc(rain, normal)));
            int terminal = net.addNode(CPT, "Terminal");
            net.setNodeTemporalType(terminal, TERMINAL);
            Check.equal("TARVO error -51 in function AddArc. Logged information: ERROR: Node [Rain] : an arc from "
                    + "terminal node [Terminal] is refused: the children of a terminal node are terminal, not plate\n",
                    message(() -> net.addArc(terminal, rain)));
            net.deleteNode(normal);
            net.deleteNode(terminal);
            Check.isTrue(!net.temporalArcExists(rain, rain, 2), "no order 2 self arc");
            Check.equal("[1, 2]", java.util.Arrays.toString(net.getTemporalOrders(rain)));
            Check.equal(2, net.getMaxTemporalOrder());
            Check.equal(2, net.getMaxNodeTemporalOrder("Rain"));
            TemporalInfo[] parents = net.getTemporalParents("Rain", 2);
            Check.equal(1, parents.length);
            Check.equal("Umbrella", parents[0].id);
            Check.equal(2, parents[0].order);
            TemporalInfo[] unrolled = net.getUnrolledParents(rain);
            Check.equal(2, unrolled.length);
            Check.equal("Rain/1 Umbrella/2", unrolled[0].id + "/" + unrolled[0].order + " " + unrolled[1].id
                    + "/" + unrolled[1].order);
            Check.equal(1, net.getUnrolledParents("Rain", 1).length);
            Check.equal(1, net.getTemporalChildren("Umbrella").length);
            net.deleteTemporalArc("Umbrella", "Rain", 2);
            Check.equal("TARVO error -2 in function RemoveTemporalArc. Logged information: ERROR: Node [Rain] : no temporal arc "
                    + "of order 2 from [Umbrella] comes into it\n",
                    message(() -> net.deleteTemporalArc("Umbrella", "Rain", 2)));
            Check.equal(1, net.getMaxTemporalOrder());
        } finally {
            net.dispose();
        }
    }

    public void testSliceEvidenceGivesSmoothedBeliefsPerSlice() {
        Network net = umbrellaWorld(3);
        try {
            int umbrella = net.getNode("Umbrella");
            net.setTemporalEvidence("Umbrella", 0, "State0");
            net.setTemporalEvidence(umbrella, 1, 0);
            net.setTemporalEvidence(umbrella, 2, "State1");
            Check.equal(1, net.getTemporalEvidence("Umbrella", 2));
            Check.equal("State0", net.getTemporalEvidenceId(umbrella, 1));
            Check.isTrue(net.hasTemporalEvidence(umbrella) && net.isTemporalEvidence("Umbrella", 0), "evidence");
            net.updateBeliefs();
            double[] rows = net.getNodeValue("Rain");
            Check.equal(6, rows.length);
            // Forward-backward over the three slices.
            int[] seen = {0, 0, 1};
            double[][] trans = {{0.7, 0.3}, {0.3, 0.7}};
            double[][] sensor = {{0.9, 0.1}, {0.2, 0.8}};
            double[][] f = new double[3][2];
            double[][] b = {{1, 1}, {1, 1}, {1, 1}};
            for (int t = 0; t < 3; t++) {
                for (int r = 0; r < 2; r++) {
                    double prior = t == 0 ? 0.5 : f[t - 1][0] * trans[0][r] + f[t - 1][1] * trans[1][r];
                    f[t][r] = prior * sensor[r][seen[t]];
                }
            }
            for (int t = 1; t >= 0; t--) {
                for (int r = 0; r < 2; r++) {
                    b[t][r] = trans[r][0] * sensor[0][seen[t + 1]] * b[t + 1][0]
                            + trans[r][1] * sensor[1][seen[t + 1]] * b[t + 1][1];
                }
            }
            for (int t = 0; t < 3; t++) {
                double yes = f[t][0] * b[t][0];
                double no = f[t][1] * b[t][1];
                Fixtures.near(yes / (yes + no), rows[2 * t], "Rain in slice " + t);
            }
            net.clearTemporalEvidence("Umbrella", 2);
            Check.isTrue(!net.isTemporalEvidence(umbrella, 2), "cleared");
        } finally {
            net.dispose();
        }
    }

    public void testEvidenceRefusals() {
        Network net = umbrellaWorld(3);
        try {
            net.addNode(CPT, "Plain");
            String logged = ". Logged information: ERROR: Node ";
            Check.equal("TARVO error -2 in function GetTemporalEvidence" + logged
                    + "[Umbrella] : it has no evidence in slice 2\n",
                    message(() -> net.getTemporalEvidence("Umbrella", 2)));
            Check.equal("TARVO error -51 in function SetTemporalEvidence" + logged
                    + "[Plain] : only a plate node takes evidence in a slice after the first\n",
                    message(() -> net.setTemporalEvidence("Plain", 1, 0)));
            Check.equal("TARVO error -2 in function SetTemporalEvidence" + logged + "[Umbrella] : slice 3 is outside 0..2\n",
                    message(() -> net.setTemporalEvidence("Umbrella", 3, 0)));
            Check.equal("TARVO error -4 in function ClearTemporalEvidence" + logged
                    + "[Umbrella] : it has no evidence in slice 1 to clear\n",
                    message(() -> net.clearTemporalEvidence("Umbrella", 1)));
            Check.equal("Invalid outcome index 2 for node 'Umbrella', valid indices are 0..1",
                    message(() -> net.setTemporalEvidence("Umbrella", 1, 2)));
            Check.equal("TARVO error -51 in function ClearTemporalEvidence" + logged + "[Plain] : only a plate node "
                    + "holds evidence by slice (clearEvidence clears a node outside the plate)\n",
                    message(() -> net.clearTemporalEvidence("Plain", 1)));
            Check.equal("TARVO error -2 in function ClearTemporalEvidence" + logged
                    + "[Umbrella] : it has no evidence in slice 0 to clear\n",
                    message(() -> net.clearTemporalEvidence("Umbrella", 0)));
            // Slice 0 evidence is the node's own: refused with the words setEvidence gives, in either order.
            net.setNodeDefinition("Umbrella", new double[] {1, 0, 0.2, 0.8});
            net.setEvidence("Umbrella", "State1");
            String refused = message(() -> net.setEvidence("Rain", "State0"));
            Check.isTrue(refused.contains("[Rain]"), refused);
            Check.equal(refused.replace("SetEvidence", "SetTemporalEvidence"),
                    message(() -> net.setTemporalEvidence("Rain", 0, "State0")));
        } finally {
            net.dispose();
        }
    }

    /** A static network has no slices: clearing one names the node. */
    public void testClearingSliceEvidenceOfAStaticNetwork() {
        Network net = new Network();
        try {
            net.addNode(CPT, "A");
            Check.equal("TARVO error -51 in function ClearTemporalEvidence. Logged information: ERROR: Node [A] : "
                    + "only a plate node holds evidence by slice (clearEvidence clears a node outside the plate)\n",
                    message(() -> net.clearTemporalEvidence("A", 0)));
            Check.equal(0, net.getSliceCount());
        } finally {
            net.dispose();
        }
    }

    /**
     * X (0.8 in outcome 0, then 0.9 to stay and 0.2 to enter it) over three slices and U(X, D) = 10 -5 0 20:
     * every slice's copy of U keeps its utilities. D outside the plate sums the slices; D in the plate with U
     * terminal is ruled by the last slice alone; D and U in the plate: each slice's row of D is its own
     * slice's utility and the best of the others'.
     */
    public void testPlateUtilitiesAndDecisionsHoldARowASlice() {
        double[] p = {0.8, 0, 0};
        for (int t = 1; t < 3; t++) p[t] = p[t - 1] * 0.9 + (1 - p[t - 1]) * 0.2;
        double[] u = new double[6];
        double best = 0;
        for (int t = 0; t < 3; t++) {
            u[2 * t] = 10 * p[t];
            u[2 * t + 1] = -5 * p[t] + 20 * (1 - p[t]);
            best += Math.max(u[2 * t], u[2 * t + 1]);
        }
        double[][] d = {
            {u[0] + u[2] + u[4], u[1] + u[3] + u[5]},
            {Math.max(u[4], u[5]), Math.max(u[4], u[5]), Math.max(u[4], u[5]), Math.max(u[4], u[5]), u[4], u[5]},
            new double[6]};
        for (int t = 0; t < 3; t++) {
            double others = best - Math.max(u[2 * t], u[2 * t + 1]);
            d[2][2 * t] = u[2 * t] + others;
            d[2][2 * t + 1] = u[2 * t + 1] + others;
        }
        double[][] utilities = {u, {u[4], u[5]}, u};
        for (int layout = 0; layout < 3; layout++) {
            Network net = new Network();
            try {
                net.addNode(CPT, "X");
                net.setNodeDefinition("X", new double[] {0.8, 0.2});
                net.addNode(17, "D");
                net.addNode(8, "U");
                net.addArc("X", "U");
                net.addArc("D", "U");
                net.setNodeDefinition("U", new double[] {10, -5, 0, 20});
                net.setNodeTemporalType("U", layout == 1 ? TERMINAL : PLATE);
                if (layout > 0) net.setNodeTemporalType("D", PLATE);
                net.setNodeTemporalType("X", PLATE);
                net.addTemporalArc("X", "X", 1);
                net.setNodeTemporalDefinition("X", 1, new double[] {0.9, 0.1, 0.2, 0.8});
                net.setSliceCount(3);
                net.updateBeliefs();
                Fixtures.near(d[layout], net.getNodeValue("D"), "D of layout " + layout);
                Fixtures.near(utilities[layout], net.getNodeValue("U"), "U of layout " + layout);
            } finally {
                net.dispose();
            }
        }
    }

    public void testTemporalDefinitionAndUnrolling() {
        Network net = umbrellaWorld(3);
        try {
            Check.equal("[0.7, 0.3, 0.3, 0.7]",
                    java.util.Arrays.toString(net.getNodeTemporalDefinition("Rain", 1)));
            net.setNodeTemporalDefinition("Rain", 1, new double[] {0.6, 0.4, 0.25, 0.75});
            UnrollResults result = net.unroll();
            try {
                Check.equal(6, result.mapping.length);
                Check.equal(net.getNode("Rain"), result.mapping[0]);
                Network unrolled = result.unrolled;
                Check.equal(result.mapping[2], unrolled.getNode("Rain_1"));
                Check.equal(result.mapping[5], unrolled.getNode("Umbrella_2"));
                Check.equal("[0.6, 0.4, 0.25, 0.75]",
                        java.util.Arrays.toString(unrolled.getNodeDefinition("Rain_2")));
                Check.equal(0, unrolled.getSliceCount());
            } finally {
                result.unrolled.dispose();
            }
        } finally {
            net.dispose();
        }
        Network plain = new Network();
        try {
            Check.equal("TARVO error -2 in function UnrollNetwork. Logged information: Unable to unroll the network: it has "
                    + "no temporal plate\n", message(plain::unroll));
            // A refused slice count makes no network dynamic.
            plain.addNode(CPT, "A");
            plain.setSliceCount(0);
            Check.equal(0, plain.getSliceCount());
            Check.equal("TARVO error -2 in function UnrollNetwork. Logged information: Unable to unroll the network: it has "
                    + "no temporal plate\n", message(plain::unroll));
        } finally {
            plain.dispose();
        }
    }

    /** A plate node that leaves the plate has one copy: its value is that of a node never in the plate. */
    public void testNodeLeavingThePlateKeepsOneCopysValue() {
        for (int type : new int[] {1, 0}) {
            Network net = Fixtures.read(Fixtures.ASIA);
            Network never = Fixtures.read(Fixtures.ASIA);
            try {
                net.setNodeTemporalType("Dyspnea", PLATE);
                net.setEvidence("Dyspnea", "yes");
                net.updateBeliefs();
                Check.equal(20, net.getNodeValue("Dyspnea").length);
                net.setNodeTemporalType("Dyspnea", type);
                net.updateBeliefs();
                never.setNodeTemporalType("Dyspnea", type);
                never.setEvidence("Dyspnea", "yes");
                never.updateBeliefs();
                for (String id : new String[] {"Dyspnea", "Smoker"})
                    Fixtures.near(never.getNodeValue(id), net.getNodeValue(id), id + " as type " + type);
            } finally {
                never.dispose();
                net.dispose();
            }
        }
    }

    /**
     * A temporal noisy-MAX table whose parent gains an outcome: the new column stands before the
     * distinguished one in the strength order, which the file keeps, so a read-back believes as memory does.
     */
    public void testTemporalNoisyMaxKeepsItsStrengthsThroughAFile() {
        Network net = new Network();
        Network back = new Network();
        try {
            net.addNode(CPT, "Rain");
            net.addNode(146, "Umbrella");
            net.setNodeDefinition("Umbrella", new double[] {0.6, 0.4});
            net.setNodeTemporalType("Umbrella", PLATE);
            net.setNodeTemporalType("Rain", PLATE);
            net.addTemporalArc("Rain", "Umbrella", 1);
            net.setSliceCount(4);
            net.setNodeTemporalDefinition("Umbrella", 1, new double[] {0.443, 0.557, 0.265, 0.735, 0.477, 0.523});
            net.addOutcome("Rain", "maybe");
            Check.equal("[0.443, 0.557, 0.0, 1.0, 0.265, 0.735, 0.477, 0.523]",
                    java.util.Arrays.toString(net.getNodeTemporalDefinition("Umbrella", 1)));
            Check.equal("[[0, 2, 1]]", java.util.Arrays.deepToString(net.getNoisyTemporalParentStrengths("Umbrella", 1)));
            String path = Fixtures.tempPath(".xvrx");
            net.writeFile(path);
            back.readFile(path);
            Check.equal("[[0, 2, 1]]", java.util.Arrays.deepToString(back.getNoisyTemporalParentStrengths("Umbrella", 1)));
            // Rain is 0.5 State0 and 0.5 State1 (now the last in strength order) in every slice.
            double yes = 1 - 0.5 * 0.523 * 0.557 - 0.5 * 0.523 * 0.735;
            for (Network n : new Network[] {net, back}) {
                n.updateBeliefs();
                Fixtures.near(new double[] {0.6, 0.4, yes, 1 - yes, yes, 1 - yes, yes, 1 - yes}, n.getNodeValue("Umbrella"),
                        n == net ? "in memory" : "read back");
            }
        } finally {
            back.dispose();
            net.dispose();
        }
    }

    /** A refused temporal type leaves a static network static: no slices, the same files. */
    public void testRefusedTemporalTypeKeepsTheNetworkStatic() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            for (int type : new int[] {PLATE, TERMINAL}) {
                message(() -> net.setNodeTemporalType("Smoker", type));
                Check.equal(0, net.getSliceCount());
                Check.equal(0, net.getNodeTemporalType("Smoker"));
            }
        } finally {
            net.dispose();
        }
    }

    /** A change of kind and back keeps Rain's temporal arc and a full temporal table, which a file keeps. */
    public void testKindChangesOfPlateNodesKeepTheirTemporalTables() {
        for (int kind : new int[] {50, 82, 146, 274, 20}) {
            Network net = umbrellaWorld(4);
            Network back = new Network();
            try {
                net.setNodeType("Rain", kind);
                net.setNodeType("Rain", CPT);
                Check.isTrue(net.temporalArcExists("Rain", "Rain", 1), "arc kept through kind " + kind);
                Check.equal(4, net.getNodeTemporalDefinition("Rain", 1).length);
                String path = Fixtures.tempPath(".xvrx");
                net.writeFile(path);
                back.readFile(path);
                Check.equal(4, back.getNodeTemporalDefinition("Rain", 1).length);
            } finally {
                back.dispose();
                net.dispose();
            }
        }
    }

    /** A plate node of a kind given by parameters, with a temporal arc of its own: what is written reads back. */
    public void testTemporalDefinitionsOfParameterKindsReadBack() {
        for (int kind : new int[] {82, 146, 274}) {
            Network net = umbrellaWorld(4);
            Network back = new Network();
            try {
                net.addTemporalArc("Umbrella", "Umbrella", 1);
                net.setNodeType("Umbrella", kind);
                String path = Fixtures.tempPath(".xvrx");
                net.writeFile(path);
                back.readFile(path);
                Check.equal(kind, back.getNodeType("Umbrella"));
                Check.isTrue(back.temporalArcExists("Umbrella", "Umbrella", 1), "arc of kind " + kind);
            } finally {
                back.dispose();
                net.dispose();
            }
        }
    }
}
