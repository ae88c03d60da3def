package tarvo;

/** Results that mean nothing and work that would run away are refused through Java with the engine's reason. */
public class NetworkRefusalsTest {
    private static final int CPT = 18;
    private static final int EQUATION = 0x4;
    private static final int PLATE = 3;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testUndefinedEquationValueIsNoNumber() {
        Network net = new Network();
        try {
            int x = net.addNode(EQUATION, "x");
            net.setNodeEquation(x, "x = Fact(1e308)");
            Check.equal("TARVO error -2 in function UpdateBeliefs. Logged information: "
                    + "ERROR: Node [x] : its value is undefined\n", message(net::updateBeliefs));
            Check.equal("Value not valid - node 'x'", message(() -> net.getNodeValue(x)));
        } finally {
            net.dispose();
        }
    }

    public void testDynamicNetworksPastTheLimits() {
        Network net = new Network();
        try {
            net.addNode(CPT, "A");
            net.addNode(CPT, "B");
            for (int i = 2; i < 4096; i++) net.addOutcome("A", "a" + i);
            for (int i = 2; i < 16; i++) net.addOutcome("B", "b" + i);
            net.setNodeTemporalType("A", PLATE);
            net.setNodeTemporalType("B", PLATE);
            net.addTemporalArc("A", "B", 1);
            Check.equal("TARVO error -42 in function AddTemporalArc. Logged information: ERROR: Node [B] : its own "
                    + "and temporal tables of 268501008 cells in all pass the limit of 268435456 cells\n",
                    message(() -> net.addTemporalArc("A", "B", 2)));
            net.setSliceCount(1000000);
            Check.equal("TARVO error -42 in function UpdateBeliefs. Logged information: The network of 1000000 "
                    + "slices of 2 plate nodes would have 2000000 nodes, past the limit of 262144\n",
                    message(net::updateBeliefs));
        } finally {
            net.dispose();
        }
    }
}
