package tarvo;

import java.util.Arrays;

/**
 * A call refused through Java changes nothing and starts its message with the cause, naming the caller's
 * nodes; what a caller gives is checked before it is used.
 */
public class RefusedCallsTest {
    private static final String PREFIX = "TARVO error %d in function %s. Logged information: ";

    private static String failure(Runnable call) {
        return Check.raises(TARVOException.class, call::run).getMessage();
    }

    private static void refuses(int code, String function, String cause, Runnable call) {
        Check.equal(String.format(PREFIX, code, function) + cause + "\n", failure(call));
    }

    private interface WithNetwork {
        void run(Network net);
    }

    private static void onAsia(WithNetwork body) {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            body.run(net);
        } finally {
            net.dispose();
        }
    }

    /** A table given after the evidence keeps the observed outcome as the other order gives it. */
    public void testObservedValueStaysAfterItsTableChanges() {
        onAsia(net -> {
            net.setEvidence("LungCancer", 0);
            net.setNodeDefinition("LungCancer", new double[] {0, 0, 0.1, 0.9});
            net.updateBeliefs();
            Fixtures.near(new double[] {1, 0}, net.getNodeValue("LungCancer"), "LungCancer");
            // The column of zeros is used as uniform, as in the other order.
            Fixtures.near(new double[] {0.25 / 0.3, 0.05 / 0.3}, net.getNodeValue("Smoker"), "Smoker");
        });
    }

    /** NaN and infinities are refused at the call, naming the node; the table stays. */
    public void testEntriesThatAreNoNumberAreRefused() {
        onAsia(net -> {
            double[] before = net.getNodeDefinition("XRay");
            refuses(-2, "SetDefinition", "ERROR: Node [XRay] : entry 1 of its table is no finite number (nan)",
                    () -> net.setNodeDefinition("XRay", new double[] {0.5, Double.NaN, 0.5, 0.5}));
            refuses(-2, "SetDefinition", "ERROR: Node [XRay] : entry 3 of its table is no finite number (-inf)",
                    () -> net.setNodeDefinition("XRay", new double[] {0.5, 0.5, 0.5, Double.NEGATIVE_INFINITY}));
            Check.isTrue(Arrays.equals(before, net.getNodeDefinition("XRay")), "table kept");
        });
    }

    /**
     * A negative probability is refused at the call that gives it, naming the node, and the numbers stay as they
     * were; utilities are free.
     */
    public void testNegativeProbabilitiesAreRefusedAtTheCall() {
        Network net = new Network();
        try {
            int a = net.addNode(0x12, "A");
            int y = net.addNode(0x92, "Y");
            int x = net.addNode(0x12, "X");
            int u = net.addNode(0x8, "U");
            net.addArc(a, y);
            net.setNodeTemporalType(x, 3);
            net.addTemporalArc(x, x, 1);
            // function, node, the entry refused, the call
            Object[][] rows = {
                {"SetDefinition", "A", "-0.2", (Runnable) () -> net.setNodeDefinition(a, new double[] {1.2, -0.2})},
                {"SetDefinition", "Y", "-0.3", (Runnable) () ->
                        net.setNodeDefinition(y, new double[] {1.3, -0.3, 0, 1, 0.1, 0.9})},
                {"SetTemporalDefinition", "X", "-1", (Runnable) () ->
                        net.setNodeTemporalDefinition(x, 1, new double[] {-1, 2, 0.5, 0.5})},
            };
            for (Object[] row : rows) {
                String id = (String) row[1];
                double[] before = id.equals("X") ? net.getNodeTemporalDefinition(x, 1) : net.getNodeDefinition(id);
                refuses(-2, (String) row[0], "ERROR: Node [" + id + "] : " + row[2] + " is no probability",
                        (Runnable) row[3]);
                double[] after = id.equals("X") ? net.getNodeTemporalDefinition(x, 1) : net.getNodeDefinition(id);
                Check.isTrue(Arrays.equals(before, after), id + " kept");
            }
            net.setNodeDefinition(u, new double[] {-5});
            Check.equal(-5.0, net.getNodeDefinition(u)[0]);
        } finally {
            net.dispose();
        }
    }

    /** The row of a noisy-MAX parent's distinguished outcome is fixed at 0 ... 0, 1. */
    public void testNoisyMaxDistinguishedRowIsFixed() {
        Network net = new Network();
        try {
            int a = net.addNode(0x12, "A");
            int y = net.addNode(0x92, "Y");
            net.addArc(a, y);
            net.setNodeDefinition(a, new double[] {0.5, 0.5});
            double[] before = net.getNodeDefinition(y);
            double[] free = {0.9, 0.1, 0.5, 0.5, 0.1, 0.9};
            refuses(-4, "SetDefinition", "ERROR: Node [Y] : row 1 of its parameters, that of parent [A] in its "
                    + "distinguished outcome [State1], is fixed at 0 ... 0, 1, not 0.5, 0.5",
                    () -> net.setNodeDefinition(y, free));
            Check.isTrue(Arrays.equals(before, net.getNodeDefinition(y)), "parameters kept");
            // A in State0: 1 - 0.1 * 0.9 of State0; A distinguished: the leak's 0.1.
            net.setNodeDefinition(y, new double[] {0.9, 0.1, 0, 1, 0.1, 0.9});
            net.updateBeliefs();
            Fixtures.near(new double[] {0.5 * 0.91 + 0.5 * 0.1, 0.5 * 0.09 + 0.5 * 0.9}, net.getNodeValue(y), "Y");
        } finally {
            net.dispose();
        }
    }

    /** Queries of temporal arcs leave a static network static and name why a node has none. */
    public void testTemporalQueriesOfAStaticNetwork() {
        onAsia(net -> {
            String outside = "ERROR: Node [XRay] : it is a normal node, not in the temporal plate: only plate nodes "
                    + "have temporal arcs";
            refuses(-2, "GetTemporalOrders", outside, () -> net.getTemporalOrders("XRay"));
            refuses(-2, "GetTemporalParents", outside, () -> net.getTemporalParents("XRay", 1));
            refuses(-2, "GetTemporalChildren", outside, () -> net.getTemporalChildren("XRay"));
            refuses(-2, "GetUnrolledParents", outside, () -> net.getUnrolledParents("XRay"));
            Check.isTrue(!net.temporalArcExists("XRay", "XRay", 1), "no arc");
            Check.equal(-2, net.getMaxNodeTemporalOrder("XRay"));
            Check.equal(0, net.getSliceCount());
            refuses(-2, "RemoveTemporalArc", "ERROR: Node [XRay] : [XRay] is not in the temporal plate: temporal "
                    + "arcs join plate nodes", () -> net.deleteTemporalArc("XRay", "XRay", 1));
        });
    }

    /** Clearing, deleting or setting what is not there names the node or submodel first. */
    public void testBareRefusalsNameTheirCause() {
        onAsia(net -> {
            refuses(-2, "ClearEvidence", "ERROR: Node [XRay] : it has no evidence to clear",
                    () -> net.clearEvidence("XRay"));
            refuses(-2, "DeleteSubmodel",
                    "The main submodel (16384) holds every node and submodel and cannot be deleted",
                    () -> net.deleteSubmodel(16384));
            refuses(-51, "SetTemporalEvidence", "ERROR: Node [XRay] : only a plate node takes evidence by slice "
                    + "(setEvidence observes a node outside the plate)",
                    () -> net.setTemporalEvidence("XRay", 0, 0));
        });
    }

    /** A plate node's temporal table of an order it has no arc of is named as missing. */
    public void testMissingTemporalDefinitionIsNamed() {
        Network net = new Network();
        try {
            int x = net.addNode(0x12, "X");
            net.setNodeTemporalType(x, 3);
            net.addTemporalArc(x, x, 1);
            Check.equal("The node 'X' has no temporal definition of order 2: its temporal arcs into it have "
                    + "order 1", failure(() -> net.getNodeTemporalDefinition(x, 2)));
            double[] table = net.getNodeTemporalDefinition(x, 1);
            table[0] = Double.NaN;
            refuses(-2, "SetTemporalDefinition", "ERROR: Node [X] : entry 0 of its temporal table of order 1 is no "
                    + "finite number (nan)", () -> net.setNodeTemporalDefinition(x, 1, table));
        } finally {
            net.dispose();
        }
    }
}
