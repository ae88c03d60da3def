package tarvo;

import java.util.ArrayList;
import java.util.List;

/** Separate networks used from separate threads at the same time. */
public class NetworkThreadsTest {
    private static final int ROUNDS = 100;

    /**
     * Each thread reads, updates, saves and fails on networks of its own; every failure must carry the
     * messages of its own call only, never those of the other thread's.
     */
    public void testSeparateNetworksInSeparateThreads() throws InterruptedException {
        List<Throwable> failures = new ArrayList<>();
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < 2; t++) {
            String word = "garbage" + t;
            String broken = Fixtures.writeTemp(".vrx", word);
            String saved = Fixtures.tempPath(t == 0 ? ".vrx" : ".xvrx");
            Thread thread = new Thread(() -> {
                try {
                    for (int round = 0; round < ROUNDS; round++) {
                        Network net = Fixtures.read(Fixtures.RAIN);
                        try {
                            net.setEvidence("WetGrass", "yes");
                            net.updateBeliefs();
                            Fixtures.near(0.18 / 0.42, net.getNodeValue("Rain")[0], "P(Rain=yes | WetGrass=yes)");
                            net.writeFile(saved);
                            Check.equal("TARVO error -127 in function ReadFile. Logged information: "
                                    + Fixtures.atLine(1, broken) + "ERROR: '" + word + "' : 'net' expected\n",
                                    Check.raises(TARVOException.class, () -> net.readFile(broken)).getMessage());
                            net.readFile(saved);
                            Check.equal(2, net.getNodeCount());
                        } finally {
                            net.dispose();
                        }
                    }
                } catch (Throwable e) {
                    synchronized (failures) {
                        failures.add(e);
                    }
                }
            });
            threads.add(thread);
        }
        for (Thread thread : threads) {
            thread.start();
        }
        for (Thread thread : threads) {
            thread.join();
        }
        if (!failures.isEmpty()) {
            throw new AssertionError("a thread failed: " + failures.get(0), failures.get(0));
        }
    }
}
