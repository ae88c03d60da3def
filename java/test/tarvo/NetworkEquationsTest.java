package tarvo;

import java.util.Arrays;

/** Natives of equation nodes: equations, bounds, continuous evidence and the values of updated networks. */
public class NetworkEquationsTest {
    private static final int EQUATION = 0x4;
    private static final int CPT = 0x12;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    private static int equation(Network net, String id, String text) {
        int h = net.addNode(EQUATION, id);
        net.setNodeEquation(h, text);
        return h;
    }

    /** Roots a and b, a chain over them, equations solved for their node, 24 nodes in all. */
    private static Network deterministicNetwork() {
        Network net = new Network();
        equation(net, "a", "a = 1.5");
        equation(net, "b", "b = -0.25");
        String previous = "a";
        for (int i = 0; i < 10; i++) {
            String id = "c" + i;
            equation(net, id, id + " = 0.5*" + previous + " + b*" + i + " + Sqrt(Abs(" + previous + "))");
            previous = id;
            String self = "s" + i;
            equation(net, self, self + " = cos(" + self + ") + " + id + "/10");
        }
        equation(net, "t", "3*t + a = " + previous);
        equation(net, "u", "u = If(t > 0, t, -t) + Max(a, b, 7)");
        return net;
    }

    public void testEquationsAndBounds() {
        Network net = new Network();
        try {
            int x = equation(net, "x", "x = 2");
            int y = net.addNode(EQUATION, "y");
            Check.equal("y=0", net.getNodeEquation(y));
            net.setNodeEquation("y", "y = x + 1");
            Check.equal("y=x+1", net.getNodeEquation("y"));
            Check.equal(Arrays.asList("x"), Arrays.asList(net.getParentIds(y)));
            Check.equal("Invalid equation, error at position 5: Toplevel '=' sign missing in equation",
                    message(() -> net.setNodeEquation(y, "x + 1")));
            Check.equal("Invalid equation, error at position 4: Unknown node identifier: q",
                    message(() -> net.setNodeEquation("y", "y = q")));
            Check.equal("Invalid equation, error at position 4: Node y can't be used in equation for current "
                    + "node, because it would result in a cycle.", message(() -> net.setNodeEquation(x, "x = y")));
            Check.equal("String argument can't be null (equation)", message(() -> net.setNodeEquation(y, null)));
            Check.equal("Invalid equation, error at position 4: Hexadecimal number not allowed: 0x10",
                    message(() -> net.setNodeEquation(y, "y = 0x10")));
            Check.equal("Invalid equation, error at position 8: Number beyond the doubles: 1e400",
                    message(() -> net.setNodeEquation(y, "y = x + 1e400")));
            net.setNodeEquation(x, "x = 1e5 + 2.5E-3 + .5");
            Check.equal("x=1e+05+0.0025+0.5", net.getNodeEquation(x));
            net.setNodeEquation(x, "x = 2");
            Check.equal("y=x+1", net.getNodeEquation(y));

            Fixtures.near(new double[] {-1, 1}, net.getNodeEquationBounds(x), "default bounds");
            net.setNodeEquationBounds("x", -5, 5);
            Fixtures.near(new double[] {-5, 5}, net.getNodeEquationBounds("x"), "bounds as given");
            Check.equal("Node 'x': equation bounds 5 and -5 refused: both must be numbers, the lower not above "
                    + "the upper", message(() -> net.setNodeEquationBounds("x", 5, -5)));
            Check.equal("Node 'x': equation bounds nan and 1 refused: both must be numbers, the lower not above "
                    + "the upper", message(() -> net.setNodeEquationBounds(x, Double.NaN, 1)));
            Fixtures.near(new double[] {-5, 5}, net.getNodeEquationBounds("x"), "refused bounds change nothing");

            int c = net.addNode(CPT, "C");
            Check.equal("Node 'C' must be of type Equation", message(() -> net.getNodeEquation(c)));
            Check.equal("Node 'C' must be of type Equation", message(() -> net.setNodeEquationBounds(c, 0, 1)));
            Check.equal("Cannot get node definition 'EQUATION' of node 'x' as an array of doubles",
                    message(() -> net.getNodeDefinition(x)));
            net.deleteNode(c);

            net.updateBeliefs();
            Check.isTrue(net.isValueValid(y), "updated");
            Fixtures.near(new double[] {3, 0}, net.getNodeValue(y), "y");
            net.setNodeEquation(x, "x = 5");
            Check.isTrue(!net.isValueValid("y"), "a changed parent makes the child out of date");
            Check.equal("Value not valid - node 'y'", message(() -> net.getNodeValue(y)));
        } finally {
            net.dispose();
        }
    }

    public void testContinuousEvidenceAndSamples() {
        Network net = new Network();
        try {
            int x = equation(net, "x", "x = Normal(2, 0.5)");
            int y = equation(net, "y", "y = 3*x");
            int c = net.addNode(CPT, "C");
            Check.equal("TARVO error -51 in function SetEvidence. Logged information: ERROR: Node [C] : only a continuous "
                    + "node takes a number as evidence\n", message(() -> net.setContEvidence(c, 1.0)));
            net.deleteNode(c);
            Check.equal("Node 'x' has no evidence set", message(() -> net.getContEvidence(x)));

            net.setSampleCount(200);
            net.updateBeliefs();
            double[] xs = net.getNodeValue(x);
            double[] ys = net.getNodeValue("y");
            Check.equal(2 + 2 * 200, xs.length);
            Check.equal(2 + 2 * 200, ys.length);
            for (int k = 0; k < 200; k++) {
                Fixtures.near(3 * xs[2 + 2 * k], ys[2 + 2 * k], "sample " + k);
                Fixtures.near(1.0, ys[3 + 2 * k], "weight " + k);
            }
            Fixtures.near(3 * xs[0], ys[0], "mean");
            Check.isTrue(Math.abs(xs[0] - 2) < 0.2 && Math.abs(xs[1] - 0.5) < 0.15, "Normal(2, 0.5) draws");

            net.setContEvidence("x", 5.0);
            Check.isTrue(net.isRealEvidence(x) && net.isEvidence("x"), "evidence set");
            Fixtures.near(5.0, net.getContEvidence("x"), "evidence");
            // No number, no change; an equation node has no outcomes to observe.
            Check.equal("TARVO error -2 in function SetEvidence. Logged information: ERROR: Node [x] : its "
                    + "evidence must be a finite number, not NaN.\n", message(() -> net.setContEvidence(x, Double.NaN)));
            Fixtures.near(5.0, net.getContEvidence("x"), "evidence kept");
            Check.equal("Invalid outcome index 0 for node 'y': it has no outcomes, its evidence is a number "
                    + "(setContEvidence)", message(() -> net.setEvidence(y, 0)));
            net.updateBeliefs();
            Fixtures.near(new double[] {5, 0}, net.getNodeValue(x), "observed");
            Fixtures.near(new double[] {15, 0}, net.getNodeValue(y), "child of observed");

            net.clearEvidence(x);
            net.setContEvidence(y, 1.0);
            net.updateBeliefs();
            // y = 3x observed: x follows by inversion.
            Fixtures.near(1.0 / 3, net.getNodeValue(x)[0], "parent of observed");
        } finally {
            net.dispose();
        }
    }

    /**
     * An equation naming its own node is solved, or refused naming the node, with or without evidence on
     * an unrelated pair X -> Y.
     */
    public void testEquationNamingItsNodeWhateverEvidenceLiesElsewhere() {
        String unsolvable = "Unable to solve the equation of node [W] for the node.";
        String[][] cases = {  // W's equation, then its value or the refusal's cause
            {"W = 0.5*W + 2", "4"},
            {"W = cos(W)", "0.7390851332151607"},
            {"W = W + 1", unsolvable},
        };
        for (String[] c : cases) {
            for (boolean observed : new boolean[] {false, true}) {
                Network net = new Network();
                try {
                    equation(net, "X", "X = Normal(0, 1)");
                    equation(net, "Y", "Y = X + Normal(0, 1)");
                    equation(net, "W", c[0]);
                    if (observed) {
                        net.setContEvidence("Y", 1.0);
                    }
                    String what = c[0] + (observed ? " with evidence" : "");
                    if (c[1].equals(unsolvable)) {
                        String message = message(net::updateBeliefs);
                        Check.isTrue(message.startsWith("TARVO error -2 in function UpdateBeliefs. Logged information: "
                                + unsolvable), what + ": " + message);
                    } else {
                        net.updateBeliefs();
                        double[] w = net.getNodeValue("W");
                        Fixtures.near(new double[] {Double.parseDouble(c[1]), 0}, new double[] {w[0], w[1]}, what);
                    }
                } finally {
                    net.dispose();
                }
            }
        }
    }

    /** An equation whose value is beyond the doubles is refused naming its node, with or without a child. */
    public void testInfiniteValueIsRefused() {
        String[][] cases = {  // X's equation, Y's (or none), the refusal's cause
            {"X = Exp(1000)", null, "its value is not finite"},
            {"X = 1/0", "Y = X + 1", "its value is not finite"},
            {"X = Exp(1000)", "Y = X + Normal(0, 1)", "its value is not finite"},
        };
        for (String[] c : cases) {
            Network net = new Network();
            try {
                equation(net, "X", c[0]);
                if (c[1] != null) {
                    equation(net, "Y", c[1]);
                }
                Check.equal("TARVO error -2 in function UpdateBeliefs. Logged information: ERROR: Node [X] : "
                        + c[2] + "\n", message(net::updateBeliefs));
                Check.isTrue(!net.isValueValid("X"), c[0] + ": no value");
            } finally {
                net.dispose();
            }
        }
    }

    /**
     * Noise of whole numbers explains the evidence by each of its values: given y = 0.7, x is a mixture over
     * Bernoulli(0.3) of N((0.7 - k) / 2, 1/2), weighed 0.7 N(0.7; 0, 2) and 0.3 N(-0.3; 0, 2).
     */
    public void testWholeNumberNoiseIsAnswered() {
        Network net = new Network();
        try {
            equation(net, "x", "x = Normal(0, 1)");
            equation(net, "y", "y = Normal(x, 1) + Bernoulli(0.3)");
            net.setContEvidence("y", 0.7);
            net.setSampleCount(5000);
            net.updateBeliefs();
            double w0 = 0.7 * Math.exp(-0.49 / 4), w1 = 0.3 * Math.exp(-0.09 / 4);
            double mean = (w0 * 0.35 - w1 * 0.15) / (w0 + w1);
            double[] x = net.getNodeValue("x");
            Check.isTrue(Math.abs(x[0] - mean) < 0.1, "x mean " + x[0] + " for " + mean);
        } finally {
            net.dispose();
        }
    }

    /** An arc into an equation node appends its parent as a term; table kinds refuse a DeMorgan parent. */
    public void testAddedArcsAsTheirChildrenTakeThem() {
        Network net = new Network();
        try {
            equation(net, "x0", "x0 = 1");
            equation(net, "x3", "x3 = 2");
            int x4 = equation(net, "x4", "x4 = Normal(x3, 1)");
            net.addArc("x0", "x4");
            Check.equal("x4=Normal(x3,1)+x0", net.getNodeEquation(x4));
            net.addNode(0x52, "D");
            String[][] cases = {{"0x12", "chance"}, {"0x14", "deterministic"}, {"0x92", "noisy-MAX"}};
            for (String[] c : cases) {
                int child = net.addNode(Integer.decode(c[0]), "C");
                Check.equal("TARVO error -51 in function AddArc. Logged information: Arc rejected by child node [C]: a "
                        + c[1] + " node does not take a DeMorgan node [D] as a parent\n",
                        message(() -> net.addArc("D", "C")));
                Check.equal(0, net.getParents(child).length);
                net.deleteNode(child);
            }
        } finally {
            net.dispose();
        }
    }

    /** x1 .. x8, each the one before plus noise but x4 = 2*x3 + 1; x3 observed at -1.8 and updated. */
    private static Network observedChain() {
        Network net = new Network();
        equation(net, "x1", "x1 = Normal(0, 1)");
        for (int i = 2; i <= 8; i++) {
            equation(net, "x" + i, i == 4 ? "x4 = 2*x3 + 1" : "x" + i + " = x" + (i - 1) + " + Normal(0, 1)");
        }
        net.setContEvidence("x3", -1.8);
        net.updateBeliefs();
        return net;
    }

    /** A kind the observed node cannot take is refused and leaves the evidence and what it propagated. */
    public void testRefusedKindChangeKeepsWhatTheEvidencePropagated() {
        String noOutcomes = " needs at least two outcomes, and none could be made for it; its kind is left as it was\n";
        Object[][] cases = {  // kind code, the refusal's cause
            {0x11, "ERROR: Node [x3] : a decision node" + noOutcomes},
            {0x12, "ERROR: Node [x3] : a chance node" + noOutcomes},
            {0x92, "ERROR: Node [x3] : a noisy-MAX node" + noOutcomes},
            {0x112, "ERROR: Node [x3] : a noisy-adder node" + noOutcomes},
            {0x999, "Unknown node type code: 2457\n"},
        };
        for (Object[] c : cases) {
            Network net = observedChain();
            try {
                Check.isTrue(net.isPropagatedEvidence("x4"), "x4 follows from x3");
                Check.equal("TARVO error -2 in function setNodeType. Logged information: " + c[1],
                        message(() -> net.setNodeType("x3", (Integer) c[0])));
                String what = "after kind " + c[0];
                Check.equal(EQUATION, net.getNodeType("x3"));
                Fixtures.near(-1.8, net.getContEvidence("x3"), what);
                Check.isTrue(net.isPropagatedEvidence("x4") && net.isValueValid("x4"), what);
                Fixtures.near(-2.6, net.getContEvidence("x4"), what);
            } finally {
                net.dispose();
            }
        }
    }

    /** An equation node's evidence is a number: asking for its outcome says so, naming the node. */
    public void testOutcomeOfANumberObservedIsRefusedWithItsCause() {
        Network net = observedChain();
        try {
            String refused = "TARVO error -51 in function GetEvidence. Logged information: ERROR: Node [x3] : it has "
                    + "no outcomes, its evidence is a number (getContEvidence)\n";
            Check.equal(refused, message(() -> net.getEvidence("x3")));
            Check.equal(refused, message(() -> net.getEvidenceId(net.getNode("x3"))));
            Check.equal(refused.replace("x3", "x4"), message(() -> net.getEvidence("x4")));
        } finally {
            net.dispose();
        }
    }

    public void testNetworkBuiltByNativesAndItsFileGiveTheSameValues() {
        Network net = deterministicNetwork();
        Network copy = new Network();
        try {
            net.updateBeliefs();
            // By hand: the roots, and t from 3t + a = c9.
            Fixtures.near(new double[] {1.5, 0}, net.getNodeValue("a"), "a");
            double c9 = net.getNodeValue("c9")[0];
            Fixtures.near((c9 - 1.5) / 3, net.getNodeValue("t")[0], "t");
            double s3 = net.getNodeValue("s3")[0];
            Fixtures.near(Math.cos(s3) + net.getNodeValue("c3")[0] / 10, s3, "s3 solves its equation");
            Fixtures.near(Math.abs(net.getNodeValue("t")[0]) + 7, net.getNodeValue("u")[0], "u");

            String path = Fixtures.tempPath(".xvrx");
            net.writeFile(path);
            copy.readFile(path);
            copy.updateBeliefs();
            Check.equal(net.getNodeCount(), copy.getNodeCount());
            for (String id : net.getAllNodeIds()) {
                Check.equal(net.getNodeEquation(id), copy.getNodeEquation(id));
                Check.equal(Arrays.toString(net.getNodeValue(id)), Arrays.toString(copy.getNodeValue(id)));
            }
        } finally {
            net.dispose();
            copy.dispose();
        }
    }
}
