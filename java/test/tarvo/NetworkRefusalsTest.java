package tarvo;

/** Results that mean nothing are refused through Java with the engine's reason. */
public class NetworkRefusalsTest {
    public void testUndefinedEquationValueIsNoNumber() {
        Network net = new Network();
        try {
            int x = net.addNode(0x4, "x");
            net.setNodeEquation(x, "x = Fact(1e308)");
            Check.equal("TARVO error -2 in function UpdateBeliefs. Logged information: "
                    + "ERROR: Node [x] : its value is undefined\n",
                    Check.raises(TARVOException.class, net::updateBeliefs).getMessage());
            Check.isTrue(!net.isValueValid(x), "no value");
        } finally {
            net.dispose();
        }
    }
}
